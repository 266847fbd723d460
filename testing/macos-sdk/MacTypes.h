// Stands for <MacTypes.h>: the basic Mac OS integer and four-character-code types, as Apple
// documents them. Declarations written for the compile check only; the Mac build uses the SDK.
#pragma once

#include <stdint.h>

typedef unsigned char Boolean;
typedef uint8_t UInt8;
typedef int16_t SInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef SInt16 OSErr;
typedef SInt32 OSStatus;
typedef long Size;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef FourCharCode ResType;
