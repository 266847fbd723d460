// The order in which an application's windows are handed to the panel rules: the one the user
// sees, front first. AT-SPI lists an application's frames in the order they were made, so a
// main window comes before the dialog it opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ozmi::probe::atspi {

// One top-level accessible of an application, as AT-SPI lists it.
struct Frame {
  std::string title;          // its accessible Name
  std::uint64_t states = 0;   // as replyStates() gives them
};

// The frames as indexes, front first: the active frame (ATSPI_STATE_ACTIVE), then modal frames
// (ATSPI_STATE_MODAL), then the rest in the window manager's stacking order. `stackedTitles`
// are the titles of the application's client windows, front to back; a frame is matched to a
// window by its title when no other frame bears that title, and frames that match none follow
// in AT-SPI order. Within each group the AT-SPI order breaks ties.
std::vector<std::size_t> frontFirst(const std::vector<Frame>& frames, const std::vector<std::string>& stackedTitles);

}  // namespace ozmi::probe::atspi
