// Stands for <objc/NSObject.h>: the root class of the Objective-C runtime. Written from Apple's
// Objective-C runtime documentation; only what our macOS files need.
#pragma once

#include <objc/objc.h>

__attribute__((objc_root_class))
@interface NSObject
+ (Class)class;
- (BOOL)isKindOfClass:(Class)aClass;
@end
