// The desktop facts the probe's entry needs from the platform: the frontmost application, the
// on-screen window list, application elements and running-application records.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "ax_element.h"
#include "window_list.h"

namespace ozmi::probe {

class Desktop {
 public:
  virtual ~Desktop() = default;
  // The frontmost application's process id, or none.
  virtual std::optional<std::int32_t> frontmostPid() const = 0;
  // The windows on screen, front to back, desktop elements left out; none when unavailable.
  virtual std::optional<std::vector<desktop::OnScreenWindow>> onScreenWindows() const = 0;
  // The accessibility element of the application with this pid. Never fails here: whether the
  // process answers shows only when the element's attributes are read.
  virtual Element applicationElement(std::int32_t pid) const = 0;
  virtual std::optional<desktop::RunningApplication> runningApplication(std::int32_t pid) const = 0;
};

// The desktop of the platform this program was built for (desktop_linux.cpp, desktop_mac.cpp).
std::unique_ptr<Desktop> makePlatformDesktop();

}  // namespace ozmi::probe
