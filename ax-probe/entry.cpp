#include "entry.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "ax.h"
#include "inspect_window.h"
#include "report.h"

namespace ozmi::probe {
namespace {

bool isPanelServiceOwner(const std::optional<std::string>& ownerName) {
  if (!ownerName) return false;
  return ownerName->find("openAndSavePanel") != std::string::npos ||
         *ownerName == "Open and Save Panel Service";
}

void addOwner(const desktop::OnScreenWindow& entry, std::vector<std::int32_t>& candidates) {
  if (!entry.ownerPid) return;
  const std::int64_t pid = *entry.ownerPid;
  if (pid <= 0 || pid > std::numeric_limits<std::int32_t>::max()) return;
  const auto pid32 = static_cast<std::int32_t>(pid);
  if (std::find(candidates.begin(), candidates.end(), pid32) == candidates.end()) candidates.push_back(pid32);
}

}  // namespace

std::vector<std::int32_t> candidatePids(std::optional<std::int32_t> frontmostPid,
                                        const std::optional<std::vector<desktop::OnScreenWindow>>& windows) {
  std::vector<std::int32_t> candidates;
  if (frontmostPid && *frontmostPid >= 1) candidates.push_back(*frontmostPid);
  if (!windows) return candidates;
  for (const desktop::OnScreenWindow& entry : *windows) {
    if (isPanelServiceOwner(entry.ownerName)) addOwner(entry, candidates);
  }
  const std::size_t general = std::min(windows->size(), kGeneralWindowCap);
  for (std::size_t i = 0; i < general; ++i) addOwner((*windows)[i], candidates);
  return candidates;
}

std::optional<FoundPanel> findPanel(const Desktop& desktop) {
  const std::optional<std::int32_t> frontmost = desktop.frontmostPid();
  const std::vector<std::int32_t> candidates = candidatePids(frontmost, desktop.onScreenWindows());
  for (const std::int32_t pid : candidates) {
    const Element application = desktop.applicationElement(pid);
    const std::optional<desktop::RunningApplication> record = desktop.runningApplication(pid);
    for (const Element& window : AX::windows(application)) {
      std::optional<FoundPanel> found = inspectWindow(window);
      if (!found) continue;
      return FoundPanel(found->kind(), record ? record->localizedName : std::nullopt,
                        record ? record->bundleIdentifier : std::nullopt, found->title(), found->dir(),
                        found->files());
    }
  }
  return std::nullopt;
}

std::string probeMain(const std::vector<std::string>& args,
                      const std::function<std::unique_ptr<Desktop>()>& makeDesktop) {
  if (std::find(args.begin(), args.end(), std::string_view(kSearchFlag)) == args.end()) return kNullPanelLine;
  // Out of memory is the one thing that can throw here; it still ends in the one line.
  try {
    const std::unique_ptr<Desktop> desktop = makeDesktop ? makeDesktop() : nullptr;
    return emit(desktop ? findPanel(*desktop) : std::nullopt);
  } catch (...) {
    return kNullPanelLine;
  }
}

}  // namespace ozmi::probe
