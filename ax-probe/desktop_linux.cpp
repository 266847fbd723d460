// The Linux desktop: window facts from window_list.h, application elements from the AT-SPI2
// bus. Nothing here is asked, and no desktop library is loaded, until the entry has seen
// "--open-panel": libxcb and libdbus-1 are opened on first use (see x11_windows_linux.h and
// bus_connection_linux.h).
#include "desktop_linux.h"

#include <pwd.h>
#include <unistd.h>

#include "window_list.h"
#include "x11_windows_linux.h"

namespace ozmi::probe {
namespace {

// The home folder from the password database, as every other answer about the user; the
// environment is not read.
std::optional<std::string> homeFolder() {
  const passwd* entry = ::getpwuid(::getuid());
  if (entry == nullptr || entry->pw_dir == nullptr || entry->pw_dir[0] != '/') return std::nullopt;
  return std::string(entry->pw_dir);
}

std::vector<std::string> windowTitlesFrontToBack(std::int32_t pid) {
  std::vector<std::string> titles;
  for (const auto& w : desktop::x11::clientWindowsFrontToBack(pid)) titles.push_back(w.name.value_or(""));
  return titles;
}

// Level-by-level prefetch measured faster than one call per read on a GTK 3 file chooser
// (testing/desktop/bench_probe.sh), so it is the mode the probe uses.
constexpr atspi::ReadMode kShippedMode = atspi::ReadMode::prefetch;

class LinuxDesktop final : public Desktop {
 public:
  explicit LinuxDesktop(atspi::ReadMode mode) : mode_(mode) {}

  // The active window's owner alone: the rest of the frontmost application's facts would cost
  // a second connection that the search does not need.
  std::optional<std::int32_t> frontmostPid() const override { return desktop::x11::activeWindowPid(); }

  std::optional<std::vector<desktop::OnScreenWindow>> onScreenWindows() const override {
    return desktop::onScreenWindows();
  }

  Element applicationElement(std::int32_t pid) const override {
    // One connection for the whole search, made when the first application is asked for.
    if (!connected_) {
      connected_ = true;
      bus_ = atspi::connectAccessibilityBus();
      home_ = homeFolder();
    }
    return atspi::applicationElement(bus_, pid, mode_, {home_, windowTitlesFrontToBack});
  }

  std::optional<desktop::RunningApplication> runningApplication(std::int32_t pid) const override {
    return desktop::runningApplication(pid);
  }

 private:
  atspi::ReadMode mode_;
  mutable bool connected_ = false;
  mutable std::shared_ptr<const atspi::Bus> bus_;
  mutable std::optional<std::string> home_;
};

}  // namespace

std::unique_ptr<Desktop> makeLinuxDesktop(atspi::ReadMode mode) {
  return std::make_unique<LinuxDesktop>(mode);
}

std::unique_ptr<Desktop> makePlatformDesktop() { return makeLinuxDesktop(kShippedMode); }

}  // namespace ozmi::probe
