// Stands for <objc/objc.h>: BOOL, YES, NO and nil, as the Objective-C runtime documents them
// (BOOL is bool on arm64, signed char on x86_64).
#pragma once

#if defined(__arm64__) || defined(__aarch64__)
typedef bool BOOL;
#else
typedef signed char BOOL;
#endif
#define YES ((BOOL)1)
#define NO ((BOOL)0)

#ifndef nil
#define nil nullptr
#endif
