// Accessibility elements of other processes, read over the AT-SPI2 bus (see atspi_roles_linux.h
// for what each toolkit role becomes, and atspi_bus_linux.h for how the bus is reached).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ax_element.h"
#include "atspi_bus_linux.h"

namespace ozmi::probe::atspi {

// How a window's element tree is read.
enum class ReadMode {
  // Each attribute is read when it is asked for, in one call (or, for synthesised rows and
  // cells, the few calls that make it); asking for an element's children also reads their
  // roles, names and states, in one batch, since every child's visibility is needed at once.
  perRead,
  // When an application's windows are read, each window's tree is fetched at once: from the
  // application's bulk description (Cache.GetItems, one call) where the toolkit offers it,
  // else level by level, the role, name and children of every element of a level asked in
  // one batch with its states, so that a window costs one wait per level instead of one per
  // read. Texts of text fields and cells are still read when they are asked for.
  prefetch,
};

// What the layer takes from the desktop around an application's tree.
struct DesktopFacts {
  // The user's home folder: where GTK's path bar may start (atspi_roles_linux.h).
  std::optional<std::string> homeFolder;
  // The titles of the client windows of a process, front to back in the window manager's
  // stacking order; asked only when the application shows more than one window.
  std::function<std::vector<std::string>(std::int32_t pid)> windowTitlesFrontToBack;
};

// The application element of process `pid`: the accessible application whose connection to
// the bus belongs to that process. With no bus (null), every read fails. Its AXWindows are its
// showing frames front first (atspi_window_order_linux.h).
Element applicationElement(std::shared_ptr<const Bus> bus, std::int32_t pid, ReadMode mode,
                           DesktopFacts desktop = {});

// Bounds of one prefetch, the same as the panel walk's: 4000 elements, children of depth 29 at
// most. Rows of one table are capped at 4000 and columns at 64, for the same reason: the walk
// never looks at more.
inline constexpr std::size_t kPrefetchElements = 4000;
inline constexpr int kPrefetchDepth = 30;
inline constexpr std::int64_t kMaxRows = 4000;
inline constexpr std::int64_t kMaxColumns = 64;

}  // namespace ozmi::probe::atspi
