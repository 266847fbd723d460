// Stands for <Security/SecStaticCode.h>: static code objects on disk and their validation.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <Security/CSCommon.h>

#ifdef __cplusplus
extern "C" {
#endif
#pragma clang assume_nonnull begin

// Static code validation flags; kSecCSBasicValidateOnly is the two together (6).
enum : uint32_t {
  kSecCSCheckAllArchitectures = 1 << 0,
  kSecCSDoNotValidateExecutable = 1 << 1,
  kSecCSDoNotValidateResources = 1 << 2,
};

// A static code object for the file URL `path` (for a bundle, its root directory). On success
// errSecSuccess (0) and a retained object in *staticCode; *staticCode is unchanged on error.
OSStatus SecStaticCodeCreateWithPath(CFURLRef path, SecCSFlags flags,
                                     SecStaticCodeRef _Nullable* _Nonnull staticCode);

// errSecSuccess when `staticCode` is validly signed and satisfies `requirement` (when given);
// otherwise the failure's status code.
OSStatus SecStaticCodeCheckValidity(SecStaticCodeRef staticCode, SecCSFlags flags,
                                    SecRequirementRef _Nullable requirement);

#pragma clang assume_nonnull end
#ifdef __cplusplus
}
#endif
