// The desktop facts the probe's entry needs from the platform: the frontmost application, the
// on-screen window list, application elements and running-application records.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ax_element.h"

namespace ozmi::probe {

// One entry of the on-screen window list. The platform layer has already folded a missing key
// or a value of the wrong type into "none".
struct WindowInfoEntry {
  std::optional<std::string> ownerName;  // the owning process's name
  std::optional<std::int64_t> ownerPid;  // the owning process's id, as the list gives it
};

// What the platform knows of a running application.
struct RunningApplication {
  std::optional<std::string> localizedName;
  std::optional<std::string> bundleIdentifier;
};

class Desktop {
 public:
  virtual ~Desktop() = default;
  // The frontmost application's process id, or none.
  virtual std::optional<std::int32_t> frontmostPid() const = 0;
  // The windows on screen, front to back, desktop elements left out; none when unavailable.
  virtual std::optional<std::vector<WindowInfoEntry>> onScreenWindows() const = 0;
  // The accessibility element of the application with this pid. Never fails here: whether the
  // process answers shows only when the element's attributes are read.
  virtual Element applicationElement(std::int32_t pid) const = 0;
  virtual std::optional<RunningApplication> runningApplication(std::int32_t pid) const = 0;
};

// The desktop of the platform this program was built for (desktop_linux.cpp, desktop_mac.mm).
std::unique_ptr<Desktop> makePlatformDesktop();

}  // namespace ozmi::probe
