// Stands for <Foundation/NSObject.h> (with <objc/NSObject.h>): the root class, with the members
// the permission helper uses.
#pragma once

#include <Foundation/NSObjCRuntime.h>

#pragma clang assume_nonnull begin

__attribute__((objc_root_class))
@interface NSObject
+ (Class)class;
- (BOOL)isKindOfClass:(Class)aClass;
@end

#pragma clang assume_nonnull end
