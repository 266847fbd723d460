// Stands for <Foundation/NSString.h>, with the members the permission helper uses.
#pragma once

#include <Foundation/NSObject.h>

#pragma clang assume_nonnull begin

@interface NSString : NSObject
+ (nullable instancetype)stringWithUTF8String:(const char*)nullTerminatedCString;
@property (nullable, readonly) const char* UTF8String;
- (BOOL)isEqualToString:(NSString*)aString;
@end

#pragma clang assume_nonnull end
