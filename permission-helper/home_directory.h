// The current user's home directory, under which the user's permission database and data
// folders lie.
#pragma once

#include <string>

#include "helper_platform.h"

namespace ozmi::permission {

// The password database's home of the real user id when it has one, else the platform's home.
// Asked afresh at each use.
std::string homeDirectory(Platform& platform);

// `base` with `component` appended as a path component ("/" between them exactly once).
std::string appendPathComponent(const std::string& base, const std::string& component);

}  // namespace ozmi::permission
