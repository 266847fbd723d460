// The Linux desktop. Until the X11 and accessibility-bus layer is in, it knows of no frontmost
// application and no window list, so a search finds no candidate and reports no panel.
#include "desktop.h"

namespace ozmi::probe {
namespace {

class LinuxDesktop final : public Desktop {
 public:
  std::optional<std::int32_t> frontmostPid() const override { return std::nullopt; }
  std::optional<std::vector<WindowInfoEntry>> onScreenWindows() const override { return std::nullopt; }
  Element applicationElement(std::int32_t) const override { return nullptr; }
  std::optional<RunningApplication> runningApplication(std::int32_t) const override { return std::nullopt; }
};

}  // namespace

std::unique_ptr<Desktop> makePlatformDesktop() { return std::make_unique<LinuxDesktop>(); }

}  // namespace ozmi::probe
