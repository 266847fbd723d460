// The "--front-window" reply: the frontmost application and the name of its first named
// on-screen window at layer 0.
#pragma once

#include "helper_platform.h"
#include "json_text.h"

namespace ozmi::permission {

// {"schema":1,"front":null} without a frontmost application, else "front" with "name",
// "bundleId", "path", "pid" and "title" ("" for each text that is absent).
json::Value frontWindow(Platform& platform);

}  // namespace ozmi::permission
