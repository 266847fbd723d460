// Stands for <CoreFoundation/CFBase.h>: base types, the allocator and reference counting.
// Written from Apple's CoreFoundation documentation; only what our macOS files call.
#pragma once

#include <MacTypes.h>

// Nullability regions, as the framework headers open and close them.
#define CF_ASSUME_NONNULL_BEGIN _Pragma("clang assume_nonnull begin")
#define CF_ASSUME_NONNULL_END _Pragma("clang assume_nonnull end")

#define CF_EXPORT extern "C"

// --- Types ---------------------------------------------------------------------------------
typedef const void* CFTypeRef;
typedef unsigned long CFTypeID;
typedef signed long CFIndex;

typedef struct {
  CFIndex location;
  CFIndex length;
} CFRange;

typedef const struct __CFString* CFStringRef;
typedef struct __CFString* CFMutableStringRef;
typedef const struct __CFAllocator* CFAllocatorRef;

// --- Allocators ----------------------------------------------------------------------------
CF_EXPORT const CFAllocatorRef kCFAllocatorDefault;

// --- Reference counting and type identity --------------------------------------------------
CF_EXPORT CFTypeRef CFRetain(CFTypeRef cf);
CF_EXPORT void CFRelease(CFTypeRef cf);
CF_EXPORT CFTypeID CFGetTypeID(CFTypeRef cf);
