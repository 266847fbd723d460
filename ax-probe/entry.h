// The probe's entry: the flag test, the candidate processes, the search and the output line.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop.h"
#include "found_panel.h"

namespace ozmi::probe {

inline constexpr char kSearchFlag[] = "--open-panel";
// Pass 2 looks at this many of the frontmost windows only.
inline constexpr std::size_t kGeneralWindowCap = 12;

// The processes to ask, in order, each once: the frontmost application (when its pid is 1 or
// more); then the owners of the open-and-save panel service's windows anywhere in the list
// (owner name containing "openAndSavePanel", or exactly "Open and Save Panel Service"); then
// the owners of the 12 frontmost windows. Owner pids that are missing, not above 0 or beyond
// 32 bits add nothing. Depends on its arguments only.
std::vector<std::int32_t> candidatePids(std::optional<std::int32_t> frontmostPid,
                                        const std::optional<std::vector<desktop::OnScreenWindow>>& windows);

// Asks each candidate's windows in turn; the first window judged a panel ends the search, and
// the panel comes back stamped with its application's name and bundle identifier.
std::optional<FoundPanel> findPanel(const Desktop& desktop);

// The whole run: `args` as received (program path first) to the one output line. The desktop
// is made, and the platform asked anything, only when some argument is exactly "--open-panel".
std::string probeMain(const std::vector<std::string>& args,
                      const std::function<std::unique_ptr<Desktop>()>& makeDesktop);

}  // namespace ozmi::probe
