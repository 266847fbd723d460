// The permission helper's entry: arguments and platform in, the one line to write out.
#pragma once

#include <string>
#include <vector>

#include "helper_options.h"
#include "helper_platform.h"
#include "json_text.h"

namespace ozmi::permission {

// "major.minor.patch" of the running system.
std::string macosValue(const SystemVersion& version);

// The nine-key report, its sections built in their fixed order.
json::Value defaultReport(const HelperOptions& options, Platform& platform);

// The bytes to write to standard output for `args` (the arguments after the program name).
std::string runHelper(const std::vector<std::string>& args, Platform& platform);

}  // namespace ozmi::permission
