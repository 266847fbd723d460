// The walk over a window of 4000 in-memory elements, and the report of a panel with 1000 files.
#include <benchmark/benchmark.h>

#include "fake_element.h"
#include "inspect_window.h"
#include "report.h"

namespace ozmi::probe {
namespace {

using testing::FakeTree;

// An open panel shaped like a real one: toolbar buttons, a sidebar, a name field and a file
// list of rows with two cells each, 4000 elements in all. With `rowUrls` every row also exposes
// a file URL (to a path that does not exist), so the file system is asked once per row.
struct PanelTree {
  FakeTree tree;
  std::shared_ptr<testing::FakeElement> window = tree.add("window");

  explicit PanelTree(bool rowUrls) {
    tree.keepReads(false);
    window->role("AXWindow").title("Open");
    auto toolbar = tree.addChild(window, "AXToolbar");
    for (const char* t : {"Cancel", "Open", "New Folder"}) tree.addChild(toolbar, "AXButton")->title(t);
    auto sidebar = tree.addChild(window, "AXOutline");
    for (int i = 0; i < 30; ++i) tree.addChild(sidebar, "AXRow")->selected(i == 2);
    tree.addChild(window, "AXTextField")->value("");
    auto list = tree.addChild(window, "AXOutline");
    list->url("file:///tmp/ozmi-bench-folder-that-is-not-there/");
    int n = static_cast<int>(tree.elements().size());
    for (int row = 0; n + 3 <= kMaxExaminedElements; ++row, n += 3) {
      auto r = tree.addChild(list, "AXRow");
      r->selected(row == 7);
      if (rowUrls) r->url("file:///tmp/ozmi-bench-folder-that-is-not-there/file%20" + std::to_string(row) + ".txt");
      tree.addChild(r, "AXTextField")->value("file " + std::to_string(row) + ".txt");
      tree.addChild(r, "AXImage");
    }
    while (n++ < kMaxExaminedElements) tree.addChild(window, "AXStaticText")->value("status");
  }
};

void walk(benchmark::State& state, bool rowUrls) {
  PanelTree panel(rowUrls);
  for (auto _ : state) {
    std::optional<FoundPanel> found = inspectWindow(panel.window);
    benchmark::DoNotOptimize(found);
  }
  state.counters["elements"] = static_cast<double>(panel.tree.elements().size());
  state.counters["reads/walk"] =
      benchmark::Counter(static_cast<double>(panel.tree.readCount()), benchmark::Counter::kAvgIterations);
}

void BM_InspectWindow4000(benchmark::State& state) { walk(state, false); }
void BM_InspectWindow4000WithRowUrls(benchmark::State& state) { walk(state, true); }

void BM_Emit1000Files(benchmark::State& state) {
  std::vector<FoundFile> files;
  for (int i = 0; i < 1000; ++i) {
    files.emplace_back("Quarterly report " + std::to_string(i) + ".pdf",
                       "/Users/someone/Documents/Reports/Quarterly report " + std::to_string(i) + ".pdf");
  }
  const FoundPanel panel("open", "Editor", "com.example.editor", "Open", "/Users/someone/Documents/Reports",
                         std::move(files));
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string line = emit(panel);
    bytes = line.size();
    benchmark::DoNotOptimize(line);
  }
  state.counters["line bytes"] = static_cast<double>(bytes);
}

BENCHMARK(BM_InspectWindow4000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InspectWindow4000WithRowUrls)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Emit1000Files)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ozmi::probe
