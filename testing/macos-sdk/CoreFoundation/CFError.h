// Stands for <CoreFoundation/CFError.h>. Written from Apple's documentation of CFError; only
// what our macOS files use.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef struct __CFError* CFErrorRef;
