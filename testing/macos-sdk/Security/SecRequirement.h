// Stands for <Security/SecRequirement.h>: code requirements in binary and text form.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <Security/CSCommon.h>

#ifdef __cplusplus
extern "C" {
#endif
#pragma clang assume_nonnull begin

// A requirement object from a compiled requirement blob; a retained object in *requirement on
// success.
OSStatus SecRequirementCreateWithData(CFDataRef data, SecCSFlags flags,
                                      SecRequirementRef _Nullable* _Nonnull requirement);

// The text form of `requirement`; a retained string in *text on success.
OSStatus SecRequirementCopyString(SecRequirementRef requirement, SecCSFlags flags,
                                  CFStringRef _Nullable* _Nonnull text);

#pragma clang assume_nonnull end
#ifdef __cplusplus
}
#endif
