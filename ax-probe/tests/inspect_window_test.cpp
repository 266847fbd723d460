#include "inspect_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "fake_element.h"

namespace ozmi::probe {
namespace {

using testing::FakeElement;
using testing::FakeTree;
using Node = std::shared_ptr<FakeElement>;

std::vector<std::string> names(const FoundPanel& panel) {
  std::vector<std::string> out;
  for (const FoundFile& f : panel.files()) out.push_back(f.name());
  return out;
}

std::vector<std::optional<std::string>> paths(const FoundPanel& panel) {
  std::vector<std::optional<std::string>> out;
  for (const FoundFile& f : panel.files()) out.push_back(f.path());
  return out;
}

// A window in a fresh tree, and a scratch folder with two subfolders of equal name length
// ("aa", "bb"), a deeper one ("aa/deeper") and a file ("a.txt").
class InspectWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ax-probe-inspect-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root = pattern;
    ASSERT_EQ(::mkdir((root + "/aa").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((root + "/bb").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((root + "/aa/deeper").c_str(), 0700), 0);
    std::ofstream(root + "/a.txt") << "x";
    window->role("AXWindow");
  }
  void TearDown() override {
    ::unlink((root + "/a.txt").c_str());
    ::rmdir((root + "/aa/deeper").c_str());
    ::rmdir((root + "/aa").c_str());
    ::rmdir((root + "/bb").c_str());
    ::rmdir(root.c_str());
  }

  std::string fileUrl(const std::string& relative) const { return "file://" + root + relative; }
  Node button(const std::string& title, const Node& parent) {
    auto b = tree.addChild(parent, "AXButton");
    b->title(title);
    return b;
  }
  Node button(const std::string& title) { return button(title, window); }
  Node textField(const std::string& value) {
    auto f = tree.addChild(window, "AXTextField");
    f->value(value);
    return f;
  }
  Node withUrl(const std::string& url, const std::string& role = "AXCell") {
    auto e = tree.addChild(window, role);
    e->url(url);
    return e;
  }
  std::optional<FoundPanel> inspect() { return inspectWindow(window); }

  std::string root;
  FakeTree tree;
  Node window = tree.add("window");
};

TEST_F(InspectWindowTest, ButtonTitlesDecideTheKind) {
  static const struct {
    std::vector<const char*> titles;
    const char* kind;  // nullptr: not a panel
  } kCases[] = {
      {{"Open"}, "open"},
      {{"OPEN"}, "open"},
      {{"oPeN"}, "open"},
      {{"Choose"}, "open"},
      {{"import"}, "open"},
      {{"Upload"}, "open"},
      {{"Select"}, "open"},
      {{"Add"}, "open"},
      {{"Attach"}, "open"},
      {{"Save"}, "save"},
      {{"EXPORT"}, "save"},
      {{"Save", "Add"}, "open"},
      {{"Cancel", "Export"}, "save"},
      {{"Open\xe2\x80\xa6"}, nullptr},
      {{" open"}, nullptr},
      {{"open "}, nullptr},
      {{"Open File"}, nullptr},
      {{"\xc3\x96" "ffnen"}, nullptr},  // lower-cased fine, but not a member
      {{"\xc4\xb0MPORT"}, nullptr},      // İ lower-cases to i with a dot above
      {{""}, nullptr},
      {{"Cancel"}, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.titles[0]);
    FakeTree local;
    auto w = local.add("w");
    w->role("AXWindow");
    for (const char* t : c.titles) local.addChild(w, "AXButton")->title(t);
    local.addChild(w, "AXTextField")->value("name.txt");
    std::optional<FoundPanel> panel = inspectWindow(w);
    ASSERT_EQ(panel.has_value(), c.kind != nullptr);
    if (panel) {
      EXPECT_EQ(panel->kind(), c.kind);
    }
  }
}

TEST_F(InspectWindowTest, ListViewAloneNeedsAFolderOrAFile) {
  tree.addChild(window, "AXOutline");
  EXPECT_EQ(inspect(), std::nullopt);
  withUrl(fileUrl("/aa"));
  std::optional<FoundPanel> panel = inspect();
  ASSERT_TRUE(panel);
  EXPECT_EQ(panel->kind(), "unknown");
  EXPECT_EQ(panel->dir(), root + "/aa");
  EXPECT_TRUE(panel->files().empty());
}

TEST_F(InspectWindowTest, EveryListRoleCounts) {
  for (const char* role : {"AXBrowser", "AXOutline", "AXTable"}) {
    SCOPED_TRACE(role);
    FakeTree local;
    auto w = local.add("w");
    local.addChild(w, role);
    local.addChild(w, "AXCell")->url(fileUrl("/a.txt"));
    std::optional<FoundPanel> panel = inspectWindow(w);
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->kind(), "unknown");
  }
}

TEST_F(InspectWindowTest, MatchingButtonWithoutAnythingToNameIsNoPanel) {
  button("Open");
  tree.addChild(window, "AXRow")->selected(false);
  withUrl("https://example.com/a.txt");
  EXPECT_EQ(inspect(), std::nullopt);
}

TEST_F(InspectWindowTest, SavePanelWithOnlyATypedName) {
  window->title("Save As");
  button("Save");
  button("Cancel");
  textField("report.pdf");
  std::optional<FoundPanel> panel = inspect();
  ASSERT_TRUE(panel);
  EXPECT_EQ(panel->kind(), "save");
  EXPECT_EQ(panel->title(), "Save As");
  EXPECT_EQ(panel->dir(), std::nullopt);
  EXPECT_EQ(panel->presentingApp(), std::nullopt);
  EXPECT_EQ(panel->presentingBundleId(), std::nullopt);
  EXPECT_EQ(names(*panel), std::vector<std::string>{"report.pdf"});
  EXPECT_EQ(paths(*panel), std::vector<std::optional<std::string>>{std::nullopt});
}

TEST_F(InspectWindowTest, DirIsTheLongestFolderFirstAmongEquals) {
  button("Open");
  withUrl(fileUrl("/bb/"));
  withUrl(fileUrl("/aa"));
  EXPECT_EQ(inspect()->dir(), root + "/bb");  // same length: the first met
  withUrl(fileUrl("/aa/deeper"));
  withUrl(fileUrl("/aa"));
  EXPECT_EQ(inspect()->dir(), root + "/aa/deeper");
}

TEST_F(InspectWindowTest, DirLengthIsCountedInCharactersNotBytes) {
  // "éé" is four bytes but two characters; "abc" is three of each.
  const std::string wide = root + "/\xc3\xa9\xc3\xa9", narrow = root + "/abc";
  ASSERT_EQ(::mkdir(wide.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(narrow.c_str(), 0700), 0);
  button("Open");
  withUrl(fileUrl("/%C3%A9%C3%A9"));
  withUrl(fileUrl("/abc"));
  const std::optional<std::string> dir = inspect()->dir();
  ::rmdir(wide.c_str());
  ::rmdir(narrow.c_str());
  EXPECT_EQ(dir, narrow);
}

TEST_F(InspectWindowTest, FileItemsInWalkOrderRepeatsAndMissingOnesIncluded) {
  button("Open");
  withUrl(fileUrl("/aa"));
  withUrl(fileUrl("/a.txt"));
  withUrl(fileUrl("/gone%20away.txt"));  // nothing there: still a file item
  withUrl(fileUrl("/a.txt"));
  auto row = withUrl(fileUrl("/aa"), "AXRow");  // a selected folder row names nothing here
  row->selected(true);
  std::optional<FoundPanel> panel = inspect();
  ASSERT_TRUE(panel);
  EXPECT_EQ(panel->dir(), root + "/aa");
  EXPECT_EQ(names(*panel), (std::vector<std::string>{"a.txt", "gone away.txt", "a.txt"}));
  EXPECT_EQ(paths(*panel), (std::vector<std::optional<std::string>>{root + "/a.txt", root + "/gone away.txt",
                                                                    root + "/a.txt"}));
}

TEST_F(InspectWindowTest, SelectedNamesJoinTheFolder) {
  button("Open");
  withUrl(fileUrl("/aa"));
  auto row = withUrl(fileUrl("/aa/deeper"), "AXRow");  // a folder: not a file item
  row->selected(true);
  auto other = tree.addChild(window, "AXRow");
  other->selected(true);
  tree.addChild(other, "AXCell")->value("b.txt");
  std::optional<FoundPanel> panel = inspect();
  ASSERT_TRUE(panel);
  EXPECT_EQ(panel->dir(), root + "/aa/deeper");
  EXPECT_EQ(names(*panel), (std::vector<std::string>{"deeper", "b.txt"}));
  EXPECT_EQ(paths(*panel), (std::vector<std::optional<std::string>>{root + "/aa/deeper/deeper",
                                                                    root + "/aa/deeper/b.txt"}));
}

TEST_F(InspectWindowTest, SelectedNamesGiveWayToFileItems) {
  button("Open");
  auto selected = tree.addChild(window, "AXRow");
  selected->selected(true);
  tree.addChild(selected, "AXStaticText")->value("chosen.txt");
  withUrl(fileUrl("/a.txt"));  // a file item, not selected
  textField("typed.txt");
  std::optional<FoundPanel> panel = inspect();
  ASSERT_TRUE(panel);
  EXPECT_EQ(names(*panel), std::vector<std::string>{"a.txt"});
}

TEST_F(InspectWindowTest, SelectedNamesBeforeTypedName) {
  button("Open");
  textField("typed.txt");
  auto selected = tree.addChild(window, "AXRow");
  selected->selected(true);
  tree.addChild(selected, "AXStaticText")->value("chosen.txt");
  EXPECT_EQ(names(*inspect()), std::vector<std::string>{"chosen.txt"});
}

TEST_F(InspectWindowTest, RowChildNameRules) {
  static const struct {
    const char* what;
    std::vector<std::pair<std::optional<RawValue>, std::optional<std::string>>> children;  // AXValue, AXTitle
    std::optional<std::string> name;
  } kCases[] = {
      {"empty value then title", {{RawValue{std::string()}, std::nullopt}, {std::nullopt, "second"}}, "second"},
      {"empty value hides its own title", {{RawValue{std::string()}, "hidden"}}, std::nullopt},
      {"value not text: title", {{RawValue{RawValue::Number{4}}, "title"}}, "title"},
      {"value wins over title", {{RawValue{std::string("value")}, "title"}}, "value"},
      {"spaces are a name", {{RawValue{std::string(" ")}, std::nullopt}}, " "},
      {"nothing", {{std::nullopt, std::nullopt}, {std::nullopt, ""}}, std::nullopt},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    FakeTree local;
    auto w = local.add("w");
    local.addChild(w, "AXButton")->title("Open");
    auto row = local.addChild(w, "AXRow");
    row->selected(true);
    row->url("https://example.com/not-a-file");
    for (const auto& [value, title] : c.children) {
      auto child = local.addChild(row, "AXCell");
      if (value) child->set("AXValue", *value);
      if (title) child->title(*title);
    }
    std::optional<FoundPanel> panel = inspectWindow(w);
    ASSERT_EQ(panel.has_value(), c.name.has_value());
    if (panel) {
      EXPECT_EQ(names(*panel), std::vector<std::string>{*c.name});
    }
  }
}

TEST_F(InspectWindowTest, UnselectedRowsAndUnreadableSelectionNameNothing) {
  button("Open");
  auto row = tree.addChild(window, "AXRow");
  tree.addChild(row, "AXCell")->value("a.txt");
  auto refused = tree.addChild(window, "AXRow");
  refused->answer("AXSelected", -25204, RawValue{true});
  tree.addChild(refused, "AXCell")->value("b.txt");
  auto numeric = tree.addChild(window, "AXRow");
  numeric->set("AXSelected", RawValue{RawValue::Number{1}});
  tree.addChild(numeric, "AXCell")->value("c.txt");
  EXPECT_EQ(inspect(), std::nullopt);
}

TEST_F(InspectWindowTest, OnlyTheFirstNonEmptyTextFieldCounts) {
  button("Save");
  textField("");
  tree.addChild(window, "AXTextField");  // no value at all
  textField("  ");
  textField("later.txt");
  EXPECT_EQ(names(*inspect()), std::vector<std::string>{"  "});
}

TEST_F(InspectWindowTest, WindowTitleEmptyOrMissingIsAbsent) {
  button("Save");
  textField("x");
  EXPECT_EQ(inspect()->title(), std::nullopt);
  window->title("");
  EXPECT_EQ(inspect()->title(), std::nullopt);
  window->answer("AXTitle", -25204, RawValue{std::string("stale")});
  EXPECT_EQ(inspect()->title(), std::nullopt);
}

TEST_F(InspectWindowTest, UrlsThatCannotBeNamedContributeNothing) {
  button("Open");
  withUrl("file:///tmp/%FF");  // not UTF-8 once decoded
  withUrl("/tmp/bare");        // no scheme
  auto row = withUrl("file:///tmp/%FE", "AXRow");
  row->selected(true);
  tree.addChild(row, "AXCell")->value("must-not-be-read.txt");
  EXPECT_EQ(inspect(), std::nullopt);
}

TEST_F(InspectWindowTest, ReadsExactlyWhatEachElementNeedsInOrder) {
  window->title("Open");
  auto open = button("Open");
  auto list = tree.addChild(window, "AXOutline", "list");
  auto fileRow = tree.addChild(list, "AXRow", "fileRow");
  fileRow->selected(true);
  fileRow->url(fileUrl("/a.txt"));
  auto nameRow = tree.addChild(list, "AXRow", "nameRow");
  nameRow->selected(true);
  auto emptyCell = tree.addChild(nameRow, "AXCell", "emptyCell");
  emptyCell->value("");
  auto titledCell = tree.addChild(nameRow, "AXCell", "titledCell");
  titledCell->title("n.txt");
  auto plainRow = tree.addChild(list, "AXRow", "plainRow");
  auto field = tree.addChild(window, "AXTextField", "field");
  field->value("typed");
  auto field2 = tree.addChild(window, "AXTextField", "field2");
  field2->value("ignored");

  tree.clearReads();
  ASSERT_TRUE(inspect());
  using V = std::vector<std::string>;
  EXPECT_EQ(tree.readsOf("window"), (V{"AXRole", "AXURL", "AXChildren", "AXTitle"}));
  EXPECT_EQ(tree.readsOf(open->label()), (V{"AXRole", "AXTitle", "AXURL", "AXChildren"}));
  EXPECT_EQ(tree.readsOf("list"), (V{"AXRole", "AXURL", "AXChildren"}));
  // A selected row's URL is read again for its name, then its children are asked for a name.
  EXPECT_EQ(tree.readsOf("fileRow"), (V{"AXRole", "AXURL", "AXSelected", "AXURL", "AXChildren"}));
  EXPECT_EQ(tree.readsOf("nameRow"), (V{"AXRole", "AXURL", "AXSelected", "AXURL", "AXChildren", "AXChildren"}));
  // Read once for the row's name (value, then title), once when the walk reaches them.
  EXPECT_EQ(tree.readsOf("emptyCell"), (V{"AXValue", "AXRole", "AXURL", "AXChildren"}));
  EXPECT_EQ(tree.readsOf("titledCell"), (V{"AXValue", "AXTitle", "AXRole", "AXURL", "AXChildren"}));
  EXPECT_EQ(tree.readsOf("plainRow"), (V{"AXRole", "AXURL", "AXSelected", "AXChildren"}));
  EXPECT_EQ(tree.readsOf("field"), (V{"AXRole", "AXURL", "AXValue", "AXChildren"}));
  EXPECT_EQ(tree.readsOf("field2"), (V{"AXRole", "AXURL", "AXChildren"}));
  // The window's title is read last, once it is known to be a panel.
  EXPECT_EQ(tree.reads().back(), (testing::FakeRead{"window", "AXTitle"}));
}

TEST_F(InspectWindowTest, NotAPanelReadsNoWindowTitle) {
  window->title("Preferences");
  button("OK");
  tree.clearReads();
  EXPECT_EQ(inspect(), std::nullopt);
  EXPECT_EQ(tree.readsOf("window"), (std::vector<std::string>{"AXRole", "AXURL", "AXChildren"}));
}

// A chain window > e1 > e2 > ... : depth d is element e<d>.
class DeepChainTest : public InspectWindowTest {
 protected:
  Node chainTo(int depth) {
    Node parent = window;
    for (int d = 1; d <= depth; ++d) parent = tree.addChild(parent, "AXGroup", "e" + std::to_string(d));
    return parent;
  }
};

TEST_F(DeepChainTest, DepthThirtyIsSeenThirtyOneIsNot) {
  button("Save");
  Node e30 = chainTo(40);
  tree.clearReads();
  EXPECT_EQ(inspect(), std::nullopt);
  EXPECT_EQ(tree.readsOf("e29"), (std::vector<std::string>{"AXRole", "AXURL", "AXChildren"}));
  EXPECT_EQ(tree.readsOf("e30"), (std::vector<std::string>{"AXRole", "AXURL"}));
  EXPECT_TRUE(tree.readsOf("e31").empty());

  // What lies at depth 30 still counts; at 31 it does not.
  for (const auto& [depth, found] : {std::pair{30, true}, std::pair{31, false}}) {
    SCOPED_TRACE(depth);
    FakeTree local;
    auto w = local.add("w");
    local.addChild(w, "AXButton")->title("Save");
    auto parent = w;
    for (int d = 1; d < depth; ++d) parent = local.addChild(parent, "AXGroup");
    local.addChild(parent, "AXTextField")->value("deep.txt");
    EXPECT_EQ(inspectWindow(w).has_value(), found);
  }
}

TEST_F(InspectWindowTest, AtMost4000ElementsAreExamined) {
  button("Save");  // element 2
  // Elements 3..: 3997 plain ones make 3999, then the 4000th holds the name, the 4001st another.
  for (int i = 0; i < 3997; ++i) tree.addChild(window, "AXStaticText");
  auto last = textField("");
  auto beyond = tree.addChild(window, "AXTextField", "beyond");
  beyond->value("beyond.txt");
  EXPECT_EQ(inspect(), std::nullopt);
  EXPECT_TRUE(tree.readsOf("beyond").empty());

  last->value("last.txt");
  tree.clearReads();
  EXPECT_EQ(names(*inspect()), std::vector<std::string>{"last.txt"});
  std::size_t roles = 0;
  for (const auto& r : tree.reads()) roles += r.attribute == "AXRole";
  EXPECT_EQ(roles, 4000u);
}

TEST_F(InspectWindowTest, CyclesAreWalkedWithinTheBound) {
  // The window is its own child, twice, and a child points back at the window.
  auto child = tree.addChild(window, "AXGroup", "child");
  window->addChild(window).addChild(window);
  child->addChild(window);
  tree.clearReads();
  EXPECT_EQ(inspect(), std::nullopt);
  std::size_t roles = 0;
  for (const auto& r : tree.reads()) roles += r.attribute == "AXRole";
  EXPECT_EQ(roles, 4000u);
  EXPECT_LE(tree.readCount(), 4000u * 3);  // role, URL, children each
}

TEST_F(InspectWindowTest, AnElementReachedTwiceCountsTwice) {
  button("Open");
  auto cell = withUrl(fileUrl("/a.txt"));
  window->addChild(cell);
  EXPECT_EQ(names(*inspect()), (std::vector<std::string>{"a.txt", "a.txt"}));
}

TEST_F(InspectWindowTest, HugeFanOutStaysBounded) {
  // Only what can still be examined is queued: 3999 of the 100000 children.
  auto leaf = tree.add("leaf");
  window->children(std::vector<Node>(100000, leaf));
  tree.keepReads(false);
  EXPECT_EQ(inspect(), std::nullopt);
  EXPECT_EQ(tree.readCount(), 4000u * 3);  // role, URL, children each
}

TEST_F(InspectWindowTest, ElementsAreReleasedAfterTheCall) {
  button("Open");
  {
    auto row = tree.addChild(window, "AXRow");
    row->selected(true);
    tree.addChild(row, "AXCell")->value("a.txt");
  }
  ASSERT_TRUE(inspect());
  for (const auto& e : tree.elements()) {
    SCOPED_TRACE(e->label());
    EXPECT_EQ(e.use_count(), e == window ? 2 : 1);  // the fixture holds the window too
  }
}

}  // namespace
}  // namespace ozmi::probe
