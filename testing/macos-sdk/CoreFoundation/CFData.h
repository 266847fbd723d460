// Stands for <CoreFoundation/CFData.h>: an immutable byte buffer made from bytes.
#pragma once

#include <CoreFoundation/CFBase.h>

#ifdef __cplusplus
extern "C" {
#endif
#pragma clang assume_nonnull begin

typedef const struct __CFData* CFDataRef;

// A new data object holding a copy of `length` bytes; NULL when it cannot be made.
CFDataRef _Nullable CFDataCreate(CFAllocatorRef _Nullable allocator, const UInt8* _Nullable bytes,
                                 CFIndex length);

#pragma clang assume_nonnull end
#ifdef __cplusplus
}
#endif
