// The Linux desktop of the probe: X11 for the frontmost application and the window list
// (common/desktop), the AT-SPI2 accessibility bus for application elements.
#pragma once

#include <memory>

#include "atspi_element_linux.h"
#include "desktop.h"

namespace ozmi::probe {

// makePlatformDesktop() is this with the read mode the probe ships with; the other mode is
// kept for the benchmark that compares the two.
std::unique_ptr<Desktop> makeLinuxDesktop(atspi::ReadMode mode);

}  // namespace ozmi::probe
