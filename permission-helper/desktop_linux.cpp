// Linux desktop facts. Until the X11 layer lands these answer as a machine without a reachable
// window system does: no window list, no frontmost application, no screen-capture access.
#include "desktop.h"

namespace ozmi::permission::desktop {

std::optional<std::vector<WindowDescription>> onScreenWindows() { return std::nullopt; }

std::optional<FrontApplication> frontmostApplication() { return std::nullopt; }

bool screenCaptureAccess() { return false; }

CaptureOutcome captureMainDisplayPixel() { return CaptureOutcome::functionUnavailable; }

}  // namespace ozmi::permission::desktop
