// Automation permission: whether this process may send Apple events to a target application.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "helper_platform.h"
#include "json_text.h"

namespace ozmi::permission {

// 0 "granted", -1743 "denied", -1744 "not-determined", -600 "not-running", else "error".
std::string automationResult(std::int32_t status);

struct AutomationAnswer {
  std::int32_t status = 0;
  std::string result;
};

// Builds the target description for `bundleId` and, when that succeeds, asks the permission
// check (letting the platform prompt the user when `askUser`). A failed description gives its
// own status with "error", and no check is made.
AutomationAnswer askAutomation(const std::string& bundleId, bool askUser, Platform& platform);

// One entry per identifier, in order: "bundleId", "installed", "running", "status", "result".
json::Value automationSection(const std::vector<std::string>& bundleIds, Platform& platform);

// The "--request-automation" reply: {"schema":1,"request":{"bundleId","status","result"}}.
json::Value requestAutomation(const std::string& bundleId, Platform& platform);

}  // namespace ozmi::permission
