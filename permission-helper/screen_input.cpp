#include "screen_input.h"

namespace ozmi::permission {
namespace {

std::string captureWord(bool capture, Platform& platform) {
  if (!capture) return "skipped";
  if (!platform.screenCaptureAccess()) return "skipped-not-granted";
  switch (platform.captureMainDisplayPixel()) {
    case CaptureOutcome::functionUnavailable: return "unavailable";
    case CaptureOutcome::image: return "image";
    case CaptureOutcome::noImage: return "null";
  }
  return "null";
}

}  // namespace

json::Value screenSection(std::int32_t responsiblePid, bool capture, Platform& platform) {
  const bool preflight = platform.screenCaptureAccess();
  std::int64_t foreign = 0;
  std::int64_t titled = 0;
  std::optional<std::vector<desktop::OnScreenWindow>> windows = platform.onScreenWindows();
  if (windows) {
    const std::int32_t self = platform.pid();
    for (const desktop::OnScreenWindow& window : *windows) {
      if (!window.layer || *window.layer != 0 || !window.ownerPid) continue;
      const std::int64_t owner = *window.ownerPid;
      if (owner == self || owner == responsiblePid || owner == platform.ppid()) continue;
      ++foreign;
      if (window.name && !window.name->empty()) ++titled;
    }
  }
  return json::Value::Object{
      {"preflight", preflight},
      {"windowList", windows ? "ok" : "unavailable"},
      {"foreignWindows", foreign},
      {"foreignWindowsTitled", titled},
      {"capture", captureWord(capture, platform)},
  };
}

std::string accessWord(std::uint32_t accessType) {
  switch (accessType) {
    case 0: return "granted";
    case 1: return "denied";
    case 2: return "not-determined";
    default: return "unavailable";
  }
}

json::Value inputSection(Platform& platform) {
  std::string listen = accessWord(platform.inputAccess(kRequestListenEvent));
  std::string post = accessWord(platform.inputAccess(kRequestPostEvent));
  return json::Value::Object{{"listenEvent", std::move(listen)}, {"postEvent", std::move(post)}};
}

}  // namespace ozmi::permission
