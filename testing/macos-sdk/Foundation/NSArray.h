// Stands for <Foundation/NSArray.h>, with the members the permission helper uses.
#pragma once

#include <Foundation/NSObject.h>

#pragma clang assume_nonnull begin

@interface NSArray<__covariant ObjectType> : NSObject
@property (readonly) NSUInteger count;
@end

#pragma clang assume_nonnull end
