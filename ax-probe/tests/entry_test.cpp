#include "entry.h"

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>

#include "fake_element.h"
#include "report.h"

namespace ozmi::probe {
namespace {

using testing::FakeTree;

desktop::OnScreenWindow entry(std::optional<std::string> name, std::optional<std::int64_t> pid) {
  return desktop::OnScreenWindow{.ownerPid = pid, .ownerName = std::move(name), .layer = std::nullopt, .name = std::nullopt};
}

TEST(CandidatePidsTest, WorkedExample) {
  std::vector<desktop::OnScreenWindow> list = {
      entry("Mail", 300),
      entry("Open and Save Panel Service", 700),
      entry("Editor", 500),
  };
  for (int i = 4; i <= 23; ++i) {
    list.push_back(i == 18 ? entry("com.apple.appkit.xpc.openAndSavePanelService", 900) : entry("App", 1000 + i));
  }
  const std::vector<std::int32_t> expected = {500, 700, 900, 300, 1004, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012};
  EXPECT_EQ(candidatePids(500, list), expected);
}

TEST(CandidatePidsTest, Rules) {
  static const struct {
    const char* what;
    std::optional<std::int32_t> frontmost;
    std::optional<std::vector<desktop::OnScreenWindow>> windows;
    std::vector<std::int32_t> expected;
  } kCases[] = {
      {"nothing", std::nullopt, std::nullopt, {}},
      {"frontmost only", 42, std::nullopt, {42}},
      {"frontmost 0 or negative", 0, std::vector{entry("A", 7)}, {7}},
      {"negative frontmost", -3, std::vector<desktop::OnScreenWindow>{}, {}},
      {"unusable pids", std::nullopt,
       std::vector{entry("A", 0), entry("B", -1), entry("C", std::nullopt), entry("D", 1ll << 32),
                   entry("E", 2147483648ll), entry("F", 2147483647ll)},
       {2147483647}},
      {"letter case does not qualify", std::nullopt,
       [] {
         std::vector<desktop::OnScreenWindow> l(12, entry("Filler", 1));
         l.push_back(entry("openandsavepanel", 2));
         l.push_back(entry("open and save panel service", 3));
         l.push_back(entry("Open and Save Panel Service ", 4));
         l.push_back(entry("xopenAndSavePanelx", 5));
         l.push_back(entry(std::nullopt, 6));
         return l;
       }(),
       {5, 1}},
      {"frontmost also owns a panel window", 9, std::vector{entry("Other", 8), entry("openAndSavePanel", 9)}, {9, 8}},
      {"five entries all looked at", std::nullopt,
       std::vector{entry("a", 1), entry("b", 2), entry("c", 1), entry("d", 3), entry(std::nullopt, 4)},
       {1, 2, 3, 4}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(candidatePids(c.frontmost, c.windows), c.expected);
  }
}

TEST(CandidatePidsTest, PassTwoStopsAtTwelvePassOneDoesNot) {
  std::vector<desktop::OnScreenWindow> list;
  for (int i = 1; i <= 40; ++i) list.push_back(entry(i == 40 ? "openAndSavePanel" : "w", i));
  std::vector<std::int32_t> expected = {40};
  for (int i = 1; i <= 12; ++i) expected.push_back(i);
  EXPECT_EQ(candidatePids(std::nullopt, list), expected);
}

// A desktop of fake applications, each with its windows, recording what was asked.
class FakeDesktop final : public Desktop {
 public:
  struct App {
    std::shared_ptr<testing::FakeElement> element;
    std::optional<desktop::RunningApplication> record;
  };

  std::optional<std::int32_t> frontmost;
  std::optional<std::vector<desktop::OnScreenWindow>> windows;
  std::map<std::int32_t, App> apps;
  mutable std::vector<std::string> calls;

  std::optional<std::int32_t> frontmostPid() const override {
    calls.push_back("frontmost");
    return frontmost;
  }
  std::optional<std::vector<desktop::OnScreenWindow>> onScreenWindows() const override {
    calls.push_back("windows");
    return windows;
  }
  Element applicationElement(std::int32_t pid) const override {
    calls.push_back("element " + std::to_string(pid));
    auto it = apps.find(pid);
    return it == apps.end() ? nullptr : Element(it->second.element);
  }
  std::optional<desktop::RunningApplication> runningApplication(std::int32_t pid) const override {
    calls.push_back("record " + std::to_string(pid));
    auto it = apps.find(pid);
    return it == apps.end() ? std::nullopt : it->second.record;
  }
};

class SearchTest : public ::testing::Test {
 protected:
  // An application with these windows, in order; a window whose title starts with "panel" is
  // a save panel, the others are no panel.
  void addApp(std::int32_t pid, std::optional<desktop::RunningApplication> record, std::vector<std::string> windowTitles) {
    auto app = tree.add("app" + std::to_string(pid));
    RawValue::Array windows;
    for (const std::string& t : windowTitles) {
      auto w = tree.add(t);
      w->role("AXWindow").title(t);
      if (t.rfind("panel", 0) == 0) {
        tree.addChild(w, "AXButton")->title("Save");
        tree.addChild(w, "AXTextField")->value("name.txt");
      }
      windows.emplace_back().data.emplace<Element>(w);
    }
    app->set("AXWindows", RawValue{std::move(windows)});
    desktop.apps[pid] = {app, std::move(record)};
  }

  std::optional<FoundPanel> search() { return findPanel(desktop); }

  FakeTree tree;
  FakeDesktop desktop;
};

TEST_F(SearchTest, FirstCandidateWithAPanelWinsAndIsStamped) {
  desktop.frontmost = 10;
  desktop.windows = std::vector{entry("B", 20), entry("C", 30)};
  addApp(10, desktop::RunningApplication{"Front", "com.example.front"}, {"plain10"});
  addApp(20, desktop::RunningApplication{"Second", "com.example.second"}, {"plain20", "panel20a", "panel20b"});
  addApp(30, desktop::RunningApplication{"Third", "com.example.third"}, {"panel30"});
  const std::optional<FoundPanel> panel = search();
  ASSERT_TRUE(panel);
  EXPECT_EQ(panel->title(), "panel20a");
  EXPECT_EQ(panel->presentingApp(), "Second");
  EXPECT_EQ(panel->presentingBundleId(), "com.example.second");
  EXPECT_EQ(panel->kind(), "save");
  ASSERT_EQ(panel->files().size(), 1u);
  EXPECT_EQ(panel->files()[0].name(), "name.txt");
  EXPECT_EQ(desktop.calls, (std::vector<std::string>{"frontmost", "windows", "element 10", "record 10", "element 20",
                                                     "record 20"}));
  EXPECT_TRUE(tree.readsOf("panel20b").empty());
  EXPECT_TRUE(tree.readsOf("app30").empty());
}

TEST_F(SearchTest, StampingTakesEachFieldOnItsOwn) {
  static const struct {
    const char* what;
    std::optional<desktop::RunningApplication> record;
    std::optional<std::string> app, bundle;
  } kCases[] = {
      {"bundle id without a name", desktop::RunningApplication{std::nullopt, "com.example.x"}, std::nullopt, "com.example.x"},
      {"name without a bundle id", desktop::RunningApplication{"X", std::nullopt}, "X", std::nullopt},
      {"no record", std::nullopt, std::nullopt, std::nullopt},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    desktop = FakeDesktop();
    desktop.frontmost = 5;
    addApp(5, c.record, {"panel"});
    const std::optional<FoundPanel> panel = search();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->presentingApp(), c.app);
    EXPECT_EQ(panel->presentingBundleId(), c.bundle);
  }
}

TEST_F(SearchTest, NothingFoundAfterEveryCandidate) {
  desktop.frontmost = 1;
  desktop.windows = std::vector{entry("gone", 2)};  // no such application: no windows
  addApp(1, desktop::RunningApplication{"A", "a"}, {"plain"});
  EXPECT_EQ(search(), std::nullopt);
  EXPECT_EQ(desktop.calls,
            (std::vector<std::string>{"frontmost", "windows", "element 1", "record 1", "element 2", "record 2"}));
}

TEST_F(SearchTest, FlagDecidesWhetherThePlatformIsAsked) {
  static const struct {
    std::vector<std::string> args;
    bool searches;
  } kCases[] = {
      {{"ozmi-ax-probe"}, false},
      {{"ozmi-ax-probe", "--open-panel=1"}, false},
      {{"ozmi-ax-probe", "--Open-Panel"}, false},
      {{"ozmi-ax-probe", "-open-panel"}, false},
      {{"ozmi-ax-probe", " --open-panel"}, false},
      {{"ozmi-ax-probe", "--open-panel"}, true},
      {{"ozmi-ax-probe", "x", "\xff", "--open-panel"}, true},
      {{"ozmi-ax-probe", "--open-panel", "--open-panel"}, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.args.back());
    int made = 0;
    desktop = FakeDesktop();
    desktop.frontmost = 7;
    addApp(7, desktop::RunningApplication{"Seven", std::nullopt}, {"panel/7"});
    const std::string line = probeMain(c.args, [&]() -> std::unique_ptr<Desktop> {
      ++made;
      return std::make_unique<FakeDesktop>(desktop);
    });
    EXPECT_EQ(made, c.searches ? 1 : 0);
    if (!c.searches) {
      EXPECT_EQ(line, kNullPanelLine);
      continue;
    }
    const auto json = nlohmann::json::parse(line);
    EXPECT_EQ(json["panel"]["presentingApp"], "Seven");
    EXPECT_EQ(json["panel"]["title"], "panel/7");
    EXPECT_NE(line.find("panel\\/7"), std::string::npos);
  }
}

TEST(ProbeMainTest, NoDesktopMeansNoPanel) {
  EXPECT_EQ(probeMain({"p", "--open-panel"}, [] { return std::unique_ptr<Desktop>(); }), kNullPanelLine);
}

}  // namespace
}  // namespace ozmi::probe
