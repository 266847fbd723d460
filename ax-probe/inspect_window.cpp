#include "inspect_window.h"

#include <algorithm>
#include <array>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ax.h"
#include "file_system.h"
#include "file_url.h"
#include "unicode_text.h"

namespace ozmi::probe {
namespace {

// Lower-case button titles, matched whole: "Open…" or " open" match nothing.
constexpr std::array<std::string_view, 7> openButtons{"open", "choose", "import", "upload",
                                                      "select", "add", "attach"};
constexpr std::array<std::string_view, 2> saveButtons{"save", "export"};

template <std::size_t N>
bool contains(const std::array<std::string_view, N>& set, std::string_view title) {
  return std::find(set.begin(), set.end(), title) != set.end();
}

struct Clues {
  bool hasOpen = false;  // some button title is in openButtons
  bool hasSave = false;
  bool sawListView = false;
  std::vector<std::string> filePaths;  // the path of every file URL, walk order, repeats kept
  std::vector<std::string> selectedNames;
  std::optional<std::string> typedName;
};

// A selected row without a file URL names itself through its first child whose "AXValue" is a
// non-empty text or, when that value is not text at all, whose title is not empty.
std::optional<std::string> rowChildName(const Element& row) {
  for (const Element& child : AX::children(row)) {
    std::optional<std::string> candidate = AX::value(child);
    if (!candidate) candidate = AX::title(child);
    if (!candidate->empty()) return candidate;
  }
  return std::nullopt;
}

void examine(const Element& element, Clues& clues) {
  const std::string role = AX::role(element);
  if (role == "AXButton") {
    std::string title = lowercased(AX::title(element));
    if (!title.empty()) {
      clues.hasOpen = clues.hasOpen || contains(openButtons, title);
      clues.hasSave = clues.hasSave || contains(saveButtons, title);
    }
  } else if (role == "AXBrowser" || role == "AXOutline" || role == "AXTable") {
    clues.sawListView = true;
  }

  const std::optional<Url> url = AX::url(element);
  if (url && isFileURL(*url)) {
    if (std::optional<std::string> filePath = path(*url)) clues.filePaths.push_back(std::move(*filePath));
  }

  if (role == "AXRow" && AX::boolean(element, "AXSelected")) {
    // The row's URL is asked for again, as it stands now that the row is known to be selected.
    const std::optional<Url> rowUrl = AX::url(element);
    if (rowUrl && isFileURL(*rowUrl)) {
      // A file URL whose path cannot be named (not UTF-8) names nothing either.
      if (std::optional<std::string> rowPath = path(*rowUrl)) clues.selectedNames.push_back(lastPathComponent(*rowPath));
    } else if (std::optional<std::string> name = rowChildName(element)) {
      clues.selectedNames.push_back(std::move(*name));
    }
  } else if (role == "AXTextField" && !clues.typedName) {
    std::optional<std::string> typed = AX::value(element);
    if (typed && !typed->empty()) clues.typedName = std::move(typed);
  }
}

}  // namespace

std::optional<FoundPanel> inspectWindow(const Element& window) {
  Clues clues;
  std::deque<std::pair<Element, int>> queue;
  queue.emplace_back(window, 0);
  int examined = 0;
  while (!queue.empty() && examined < kMaxExaminedElements) {
    auto [element, depth] = std::move(queue.front());
    queue.pop_front();
    examine(element, clues);
    if (depth <= kMaxQueuingDepth) {
      // Whatever would queue past the examination bound is never examined: not holding it keeps
      // a wide or self-repeating tree from growing the queue without end.
      const std::size_t room = static_cast<std::size_t>(kMaxExaminedElements - examined - 1);
      for (Element& child : AX::children(element)) {
        if (queue.size() >= room) break;
        queue.emplace_back(std::move(child), depth + 1);
      }
    }
    ++examined;
  }

  const char* kind = clues.hasOpen      ? "open"
                     : clues.hasSave    ? "save"
                     : clues.sawListView ? "unknown"
                                         : nullptr;
  if (!kind) return std::nullopt;

  std::optional<std::string> dir;
  std::size_t dirLength = 0;
  std::vector<FoundFile> files;
  for (const std::string& p : clues.filePaths) {
    if (isDirectory(p).value_or(false)) {
      const std::size_t length = characterCount(p);
      if (!dir || length > dirLength) {
        dir = p;
        dirLength = length;
      }
    } else {
      files.emplace_back(lastPathComponent(p), p);
    }
  }
  if (files.empty()) {
    std::vector<std::string> names = !clues.selectedNames.empty() ? std::move(clues.selectedNames)
                                     : clues.typedName ? std::vector<std::string>{*clues.typedName}
                                                       : std::vector<std::string>{};
    for (std::string& name : names) {
      std::optional<std::string> joined;
      if (dir) joined = appendingPathComponent(*dir, name);
      files.emplace_back(std::move(name), std::move(joined));
    }
  }
  if (files.empty() && !dir) return std::nullopt;

  std::string title = AX::title(window);
  return FoundPanel(kind, std::nullopt, std::nullopt,
                    title.empty() ? std::nullopt : std::optional<std::string>(std::move(title)),
                    std::move(dir), std::move(files));
}

}  // namespace ozmi::probe
