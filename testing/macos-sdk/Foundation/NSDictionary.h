// Stands for <Foundation/NSDictionary.h>, with the members the permission helper uses.
#pragma once

#include <Foundation/NSObject.h>

#pragma clang assume_nonnull begin

@interface NSDictionary<__covariant KeyType, __covariant ObjectType> : NSObject
- (nullable ObjectType)objectForKey:(KeyType)aKey;
@end

#pragma clang assume_nonnull end
