// The window list on Linux: the X11 display that libxcb reaches (x11_windows_linux.h). An
// application's "bundle" is its executable, and its identifier the one its windows announce.
#include "window_list.h"

#include "x11_windows_linux.h"

namespace ozmi::desktop {

std::optional<std::vector<OnScreenWindow>> onScreenWindows() { return x11::onScreenWindows(); }

std::optional<FrontmostApplication> frontmostApplication() {
  const auto pid = x11::activeWindowPid();
  if (!pid) return std::nullopt;
  const auto facts = x11::applicationFacts(*pid);
  if (!facts) return FrontmostApplication{*pid, std::nullopt, std::nullopt, std::nullopt};
  return FrontmostApplication{*pid, facts->name, facts->id, facts->executablePath};
}

std::optional<RunningApplication> runningApplication(std::int32_t pid) {
  const auto facts = x11::applicationFacts(pid);
  if (!facts) return std::nullopt;
  return RunningApplication{facts->name, facts->id};
}

}  // namespace ozmi::desktop
