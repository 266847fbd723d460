// Decides whether one window is an open or save panel, from what its element tree exposes.
#pragma once

#include <optional>

#include "ax_element.h"
#include "found_panel.h"

namespace ozmi::probe {

// Elements examined per window at most, the window itself first.
inline constexpr int kMaxExaminedElements = 4000;
// Children are queued only for elements this deep or less (the window is depth 0), so depth 30
// is examined and nothing deeper is seen.
inline constexpr int kMaxQueuingDepth = 29;

// Walks the window's tree breadth first within the bounds above, gathering button titles,
// list views, file URLs, selected rows and the typed name, then judges: a panel of kind "open",
// "save" or "unknown" with its title, folder and files, or none. Reads attributes only; an
// element reached twice is examined twice. The presenting application is left absent. The file
// system is asked (stat) only once the window has been judged a panel, and only for its file URLs.
std::optional<FoundPanel> inspectWindow(const Element& window);

}  // namespace ozmi::probe
