// The macOS desktop: the window list and applications from common/desktop (CoreGraphics and
// AppKit), application elements from the Accessibility API.
#include <ApplicationServices/ApplicationServices.h>

#include "ax_element_mac.h"
#include "desktop.h"

namespace ozmi::probe {
namespace {

class MacDesktop final : public Desktop {
 public:
  std::optional<std::int32_t> frontmostPid() const override {
    const std::optional<desktop::FrontmostApplication> application = desktop::frontmostApplication();
    if (!application) return std::nullopt;
    return application->pid;
  }

  std::optional<std::vector<desktop::OnScreenWindow>> onScreenWindows() const override {
    return desktop::onScreenWindows();
  }

  Element applicationElement(std::int32_t pid) const override {
    return adoptElement(AXUIElementCreateApplication(pid));
  }

  std::optional<desktop::RunningApplication> runningApplication(std::int32_t pid) const override {
    return desktop::runningApplication(pid);
  }
};

}  // namespace

std::unique_ptr<Desktop> makePlatformDesktop() { return std::make_unique<MacDesktop>(); }

}  // namespace ozmi::probe
