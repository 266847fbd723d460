// Stands for <Security/CSCommon.h>: the Code Signing Services object types and flags.
#pragma once

#include <stdint.h>

typedef const struct __SecCode* SecStaticCodeRef;
typedef struct __SecRequirement* SecRequirementRef;

// In C++ the SDK's CF_OPTIONS declares the flags type as its underlying integer type.
typedef uint32_t SecCSFlags;
enum : uint32_t {
  kSecCSDefaultFlags = 0,
};
