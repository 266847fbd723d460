// Random element trees (roles, titles, values, URLs, selections, depths, cycles, hostile reads)
// through inspectWindow and emit: the walk stays within its bounds, and every report is one
// line of valid JSON.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <queue>

#include "fake_element.h"
#include "inspect_window.h"
#include "report.h"

namespace {

using namespace ozmi::probe;
using ozmi::probe::testing::FakeElement;
using ozmi::probe::testing::FakeTree;

constexpr const char* kRoles[] = {"AXWindow", "AXButton", "AXBrowser", "AXOutline", "AXTable",
                                  "AXRow",    "AXTextField", "AXCell", "AXGroup", "AXStaticText"};
constexpr const char* kTitles[] = {"Open", "SAVE", "add", "Export", "Open\xe2\x80\xa6", "ÖFFNEN", "",
                                   "\xff", "a/b\"c\\d\n", "Cancel"};
constexpr const char* kUrls[] = {"file:///tmp", "file:///", "file:///tmp/", "file:///nonexistent/x.txt",
                                 "file:///tmp/%FF", "file://host", "file:///tmp/a%00b", "/tmp/bare",
                                 "https://example.com/", "file:///etc/hostname", "FILE:///tmp/%C3%B6.txt"};

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "violated: %s\n", what);
    std::abort();
  }
}

std::string pickText(FuzzedDataProvider& in, const auto& table) {
  if (in.ConsumeBool()) return table[in.ConsumeIntegralInRange<std::size_t>(0, std::size(table) - 1)];
  return in.ConsumeRandomLengthString(24);
}

RawValue randomValue(FuzzedDataProvider& in, const auto& table) {
  switch (in.ConsumeIntegralInRange(0, 5)) {
    case 0: return RawValue{in.ConsumeBool()};
    case 1: return RawValue{RawValue::Number{in.ConsumeFloatingPoint<double>()}};
    case 2: return RawValue{RawValue::Url{pickText(in, kUrls)}};
    case 3: return RawValue{RawValue::Other{}};
    default: return RawValue{pickText(in, table)};
  }
}

// Sets `attribute` to something, nothing, or a failed read that still hands a value back.
void randomAttribute(FuzzedDataProvider& in, FakeElement& e, const char* attribute, const auto& table) {
  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0: return;
    case 1: e.answer(attribute, -25204, randomValue(in, table)); return;
    case 2: e.answer(attribute, 0, std::nullopt); return;
    default: e.set(attribute, randomValue(in, table));
  }
}

void checkLine(const std::string& line) {
  check(!line.empty() && line.back() == '\n' && line.find('\n') == line.size() - 1, "one line");
  const auto json = nlohmann::json::parse(line, nullptr, false);
  check(!json.is_discarded(), "valid JSON");
  check(json.is_object() && json.size() == 2 && json["schema"] == 1, "envelope");
  const auto& panel = json["panel"];
  check(panel.is_null() || (panel.is_object() && panel.size() == 6 && panel["kind"].is_string() &&
                            panel["files"].is_array()),
        "panel object");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool acyclic = in.ConsumeBool();
  const std::size_t count = in.ConsumeIntegralInRange<std::size_t>(1, 200);

  FakeTree tree;
  std::vector<std::shared_ptr<FakeElement>> nodes;
  std::vector<std::vector<std::size_t>> kids(count);
  for (std::size_t i = 0; i < count; ++i) nodes.push_back(tree.add(std::to_string(i)));
  for (std::size_t i = 0; i < count && in.remaining_bytes() > 0; ++i) {
    FakeElement& e = *nodes[i];
    if (in.ConsumeBool()) {
      e.role(kRoles[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kRoles) - 1)]);
    } else {
      randomAttribute(in, e, "AXRole", kRoles);
    }
    randomAttribute(in, e, "AXTitle", kTitles);
    randomAttribute(in, e, "AXValue", kTitles);
    randomAttribute(in, e, "AXURL", kUrls);
    randomAttribute(in, e, "AXSelected", kTitles);
    // Children: a chain link to the next node (deep trees), or random picks; only later nodes
    // when acyclic. The window may be very wide: it is reached once in an acyclic tree.
    const std::size_t first = acyclic ? i + 1 : 0;
    if (first >= count) continue;
    auto link = [&](std::size_t child) {
      e.addChild(nodes[child]);
      kids[i].push_back(child);
    };
    if (in.ConsumeBool()) link(i + 1 < count ? i + 1 : 0);
    const std::size_t most = (acyclic && i == 0) ? 4500 : 12;
    const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, most);
    const std::size_t pick = in.ConsumeIntegralInRange<std::size_t>(first, count - 1);
    for (std::size_t k = 0; k < n; ++k) link(in.ConsumeBool() ? pick : in.ConsumeIntegralInRange<std::size_t>(first, count - 1));
  }

  tree.clearReads();
  const std::optional<FoundPanel> panel = inspectWindow(nodes[0]);

  std::map<std::string, std::size_t> roleReads;
  std::size_t roles = 0;
  for (const auto& r : tree.reads()) {
    if (r.attribute == "AXRole") {
      ++roles;
      ++roleReads[r.element];
    }
  }
  check(roles >= 1 && roles <= static_cast<std::size_t>(kMaxExaminedElements), "at most 4000 examined");
  // Per examined element: role, title, URL, selection, value, children, and for a selected row
  // its children's values and titles; plus the window's title at the end.
  check(tree.readCount() <= roles * (6 + 1 + 2 * 4513) + 1, "reads per element bounded");
  if (acyclic) {
    // Shortest depth of each node: nothing deeper than 30 is ever examined.
    std::vector<int> depth(count, -1);
    std::queue<std::size_t> q;
    depth[0] = 0;
    q.push(0);
    while (!q.empty()) {
      const std::size_t i = q.front();
      q.pop();
      if (depth[i] > kMaxQueuingDepth) continue;
      for (const std::size_t child : kids[i]) {
        if (depth[child] < 0) {
          depth[child] = depth[i] + 1;
          q.push(child);
        }
      }
    }
    for (std::size_t i = 0; i < count; ++i) {
      if (depth[i] < 0) check(roleReads[nodes[i]->label()] == 0, "nothing deeper than 30 examined");
    }
  }

  checkLine(emit(panel));
  // The same report, stamped with arbitrary names as the entry would.
  if (panel) {
    const FoundPanel stamped(panel->kind(), in.ConsumeRandomLengthString(16), in.ConsumeRandomLengthString(16),
                             panel->title(), panel->dir(), panel->files());
    checkLine(emit(stamped));
  }
  return 0;
}
