// The Linux desktop. Nothing here is asked, and no desktop library is loaded, until the entry
// has seen "--open-panel": libxcb and libdbus-1 are opened on first use (see
// x11_windows_linux.h and atspi_bus_linux.h).
#include "desktop_linux.h"

#include "x11_windows_linux.h"

namespace ozmi::probe {
namespace {

// Level-by-level prefetch measured faster than one call per read on a GTK 3 file chooser
// (testing/desktop/bench_probe.sh), so it is the mode the probe uses.
constexpr atspi::ReadMode kShippedMode = atspi::ReadMode::prefetch;

class LinuxDesktop final : public Desktop {
 public:
  explicit LinuxDesktop(atspi::ReadMode mode) : mode_(mode) {}

  std::optional<std::int32_t> frontmostPid() const override { return desktop::activeWindowPid(); }

  std::optional<std::vector<desktop::OnScreenWindow>> onScreenWindows() const override {
    const auto windows = desktop::listedWindows();
    if (!windows) return std::nullopt;
    std::vector<desktop::OnScreenWindow> out;
    out.reserve(windows->size());
    for (const auto& w : *windows) out.push_back({w.ownerPid, w.ownerName, w.layer, w.name});
    return out;
  }

  Element applicationElement(std::int32_t pid) const override {
    // One connection for the whole search, made when the first application is asked for.
    if (!connected_) {
      connected_ = true;
      bus_ = atspi::connectAccessibilityBus();
    }
    return atspi::applicationElement(bus_, pid, mode_);
  }

  std::optional<desktop::RunningApplication> runningApplication(std::int32_t pid) const override {
    const auto facts = desktop::applicationFacts(pid);
    if (!facts) return std::nullopt;
    return desktop::RunningApplication{facts->name, facts->id};
  }

 private:
  atspi::ReadMode mode_;
  mutable bool connected_ = false;
  mutable std::shared_ptr<const atspi::Bus> bus_;
};

}  // namespace

std::unique_ptr<Desktop> makeLinuxDesktop(atspi::ReadMode mode) {
  return std::make_unique<LinuxDesktop>(mode);
}

std::unique_ptr<Desktop> makePlatformDesktop() { return makeLinuxDesktop(kShippedMode); }

}  // namespace ozmi::probe
