// Stands for <MacTypes.h> of the macOS SDK: the basic Mac types our macOS files use. Written from
// Apple's documentation (Kernel/MacTypes), not copied from the SDK.
#pragma once

#include <stdint.h>

typedef unsigned char Boolean;
typedef uint8_t UInt8;
typedef uint32_t UInt32;
typedef int32_t SInt32;
