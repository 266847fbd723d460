// Stands for <Foundation/NSString.h>. NSString is toll-free bridged with CFString; the probe reads
// its text through CoreFoundation, the permission helper through these members.
#pragma once

#import <Foundation/NSObject.h>

#pragma clang assume_nonnull begin

@interface NSString : NSObject
+ (nullable instancetype)stringWithUTF8String:(const char*)nullTerminatedCString;
@property(nullable, readonly) const char* UTF8String;
- (BOOL)isEqualToString:(NSString*)aString;
@end

#pragma clang assume_nonnull end
