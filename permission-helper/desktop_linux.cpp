// Linux desktop facts, from the X11 display that libxcb reaches (see x11_windows_linux.h).
//
// X11 has no screen-capture permission: every client of a display may read all of it, so
// access is granted exactly when a display can be reached, and the capture is a real 1x1
// GetImage of the root window.
#include "desktop.h"

#include "x11_windows_linux.h"

namespace ozmi::permission::desktop {

std::optional<std::vector<WindowDescription>> onScreenWindows() {
  const auto windows = ozmi::desktop::onScreenWindows();
  if (!windows) return std::nullopt;
  std::vector<WindowDescription> out;
  out.reserve(windows->size());
  for (const auto& w : *windows) {
    out.push_back({w.ownerPid, std::int64_t{w.layer}, w.name});
  }
  return out;
}

std::optional<FrontApplication> frontmostApplication() {
  const auto pid = ozmi::desktop::activeWindowPid();
  if (!pid) return std::nullopt;
  const auto facts = ozmi::desktop::applicationFacts(*pid);
  if (!facts) return FrontApplication{*pid, std::nullopt, std::nullopt, std::nullopt};
  return FrontApplication{*pid, facts->name, facts->id, facts->executablePath};
}

bool screenCaptureAccess() { return ozmi::desktop::displayReachable(); }

bool captureMainDisplayPixel() { return ozmi::desktop::readRootPixel(); }

}  // namespace ozmi::permission::desktop
