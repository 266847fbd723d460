// Stands for <HIServices/AXError.h>: the result codes of the Accessibility API. Written from
// Apple's ApplicationServices documentation; only the codes our macOS files use.
#pragma once

#include <stdint.h>

typedef int32_t AXError;
enum : AXError {
  kAXErrorSuccess = 0,
  kAXErrorFailure = -25200,
};
