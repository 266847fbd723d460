#include "front_window.h"

namespace ozmi::permission {

json::Value frontWindow(Platform& platform) {
  std::optional<desktop::FrontmostApplication> app = platform.frontmostApplication();
  if (!app) return json::Value::Object{{"schema", 1}, {"front", json::Null{}}};
  std::string title;
  if (std::optional<std::vector<desktop::OnScreenWindow>> windows = platform.onScreenWindows()) {
    for (const desktop::OnScreenWindow& window : *windows) {
      // A missing owner or layer reads as 0.
      if (window.ownerPid.value_or(0) == app->pid && window.layer.value_or(0) == 0 &&
          window.name && !window.name->empty()) {
        title = *window.name;
        break;
      }
    }
  }
  return json::Value::Object{
      {"schema", 1},
      {"front", json::Value::Object{{"name", app->name.value_or("")},
                                    {"bundleId", app->bundleId.value_or("")},
                                    {"path", app->bundlePath.value_or("")},
                                    {"pid", app->pid},
                                    {"title", std::move(title)}}},
  };
}

}  // namespace ozmi::permission
