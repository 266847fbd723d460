#include "atspi_window_order_linux.h"

#include <algorithm>
#include <limits>
#include <tuple>

#include "atspi_roles_linux.h"

namespace ozmi::probe::atspi {

std::vector<std::size_t> frontFirst(const std::vector<Frame>& frames, const std::vector<std::string>& stackedTitles) {
  constexpr std::size_t kUnmatched = std::numeric_limits<std::size_t>::max();
  struct Key {
    int group;              // 0 active, 1 modal, 2 the rest
    std::size_t stacking;   // position front to back, kUnmatched when none
    std::size_t index;      // AT-SPI order
  };
  std::vector<Key> keys;
  keys.reserve(frames.size());
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const Frame& f = frames[i];
    const int group = hasState(f.states, kStateActive) ? 0 : hasState(f.states, kStateModal) ? 1 : 2;
    std::size_t stacking = kUnmatched;
    const bool unique = std::count_if(frames.begin(), frames.end(), [&](const Frame& o) { return o.title == f.title; }) == 1;
    if (unique && std::count(stackedTitles.begin(), stackedTitles.end(), f.title) == 1) {
      stacking = static_cast<std::size_t>(std::find(stackedTitles.begin(), stackedTitles.end(), f.title) - stackedTitles.begin());
    }
    keys.push_back({group, stacking, i});
  }
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    return std::tie(a.group, a.stacking, a.index) < std::tie(b.group, b.stacking, b.index);
  });
  std::vector<std::size_t> out;
  out.reserve(keys.size());
  for (const Key& k : keys) out.push_back(k.index);
  return out;
}

}  // namespace ozmi::probe::atspi
