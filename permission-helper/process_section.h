// The report's "process" object: this process, its parent, and the processes the platform
// holds responsible for them, with executable paths.
#pragma once

#include <cstdint>

#include "helper_platform.h"
#include "json_text.h"

namespace ozmi::permission {

struct ProcessSection {
  json::Value object;
  std::int32_t responsiblePid = -1;  // -1 when the platform has no responsibility function
};

ProcessSection processSection(Platform& platform);

}  // namespace ozmi::permission
