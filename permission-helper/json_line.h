// The one line that each run of the permission helper writes.
#pragma once

#include <string>

#include "json_text.h"

namespace ozmi::permission {

// What is written instead of the reply when it cannot be serialised (a text that is not
// valid UTF-8): the default report writes a fixed error line, the side modes a bare line feed.
enum class FailureForm { errorLine, lineFeedOnly };

inline constexpr char kVersionLine[] = "{\"schema\":1}\n";
inline constexpr char kSerializeErrorLine[] = "{\"schema\":1,\"error\":\"serialize\"}\n";

// The bytes written for `object`: its compact JSON text and a line feed, or the failure form.
std::string writeJsonLine(const json::Value& object, FailureForm form);

}  // namespace ozmi::permission
