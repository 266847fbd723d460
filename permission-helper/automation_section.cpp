#include "automation_section.h"

namespace ozmi::permission {

std::string automationResult(std::int32_t status) {
  switch (status) {
    case 0: return "granted";
    case -1743: return "denied";          // errAEEventNotPermitted
    case -1744: return "not-determined";  // errAEEventWouldRequireUserConsent
    case -600: return "not-running";      // procNotFound
    default: return "error";
  }
}

AutomationAnswer askAutomation(const std::string& bundleId, bool askUser, Platform& platform) {
  AutomationTarget target = platform.createAutomationTarget(bundleId);
  if (target.status != 0) return {target.status, "error"};
  const std::int32_t status = platform.automationPermission(target, askUser);
  return {status, automationResult(status)};
}

json::Value automationSection(const std::vector<std::string>& bundleIds, Platform& platform) {
  json::Value::Array entries;
  for (const std::string& bundleId : bundleIds) {
    const bool installed = platform.applicationInstalled(bundleId);
    const bool running = platform.applicationRunning(bundleId);
    AutomationAnswer answer = askAutomation(bundleId, false, platform);
    entries.emplace_back(json::Value::Object{
        {"bundleId", bundleId},
        {"installed", installed},
        {"running", running},
        {"status", answer.status},
        {"result", std::move(answer.result)},
    });
  }
  return entries;
}

json::Value requestAutomation(const std::string& bundleId, Platform& platform) {
  AutomationAnswer answer = askAutomation(bundleId, true, platform);
  return json::Value::Object{
      {"schema", 1},
      {"request", json::Value::Object{{"bundleId", bundleId},
                                      {"status", answer.status},
                                      {"result", std::move(answer.result)}}},
  };
}

}  // namespace ozmi::permission
