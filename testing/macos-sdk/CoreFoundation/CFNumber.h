// Stands for <CoreFoundation/CFNumber.h>: CFNumber and CFBoolean. Written from Apple's
// documentation; only what our macOS files call.
#pragma once

#include <CoreFoundation/CFBase.h>

// --- CFBoolean -----------------------------------------------------------------------------
typedef const struct __CFBoolean* CFBooleanRef;

CF_EXPORT CFTypeID CFBooleanGetTypeID(void);
CF_EXPORT Boolean CFBooleanGetValue(CFBooleanRef boolean);

// --- CFNumber ------------------------------------------------------------------------------
typedef const struct __CFNumber* CFNumberRef;

typedef CFIndex CFNumberType;
enum : CFIndex {
  kCFNumberSInt64Type = 4,
  kCFNumberDoubleType = 13,
};

CF_EXPORT CFTypeID CFNumberGetTypeID(void);
// False when the value does not fit `theType` without loss; `valuePtr` then holds the nearest.
CF_EXPORT Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr);
CF_EXPORT Boolean CFNumberIsFloatType(CFNumberRef number);
