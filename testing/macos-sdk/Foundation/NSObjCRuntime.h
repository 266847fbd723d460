// Stands for <Foundation/NSObjCRuntime.h>: the integer types of Foundation (64-bit).
#pragma once

#include <objc/objc.h>

typedef long NSInteger;
typedef unsigned long NSUInteger;
