// Stands for <CoreFoundation/CFBase.h>: the base types and CFRelease.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif
#pragma clang assume_nonnull begin

typedef const void* CFTypeRef;
typedef long CFIndex;
typedef const struct __CFAllocator* CFAllocatorRef;
typedef const struct __CFString* CFStringRef;

// Releases a Core Foundation object; `cf` must not be NULL.
void CFRelease(CFTypeRef cf);

#pragma clang assume_nonnull end
#ifdef __cplusplus
}
#endif
