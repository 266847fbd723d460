// The report's "screen" and "input" objects: the platform's own answers on screen recording
// and input monitoring.
#pragma once

#include <cstdint>
#include <string>

#include "helper_platform.h"
#include "json_text.h"

namespace ozmi::permission {

// "preflight", "windowList", "foreignWindows", "foreignWindowsTitled" and "capture". Windows at
// layer 0 count as foreign unless owned by this process, its parent or `responsiblePid`.
json::Value screenSection(std::int32_t responsiblePid, bool capture, Platform& platform);

// "granted", "denied", "not-determined" for access types 0, 1, 2; "unavailable" otherwise.
std::string accessWord(std::uint32_t accessType);

// "listenEvent" and "postEvent".
json::Value inputSection(Platform& platform);

}  // namespace ozmi::permission
