// The AT-SPI layer on an in-memory bus: the role table, the reply readers on replies of every
// shape, and whole GTK-like file chooser trees read both ways.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <string>

#include "atspi_bus_linux.h"
#include "atspi_element_linux.h"
#include "atspi_path_bar_linux.h"
#include "atspi_replies_linux.h"
#include "atspi_roles_linux.h"
#include "atspi_window_order_linux.h"
#include "ax.h"
#include "inspect_window.h"

namespace ozmi::probe::atspi {
namespace {

BusValue str(std::string s, char type = 's') { return {type, std::move(s), 0, 0, {}}; }
BusValue num(std::int64_t i, char type) { return {type, {}, i, 0, {}}; }
BusValue box(char type, std::vector<BusValue> items) { return {type, {}, 0, 0, std::move(items)}; }
BusValue ref(std::string bus, std::string path) { return box('r', {str(std::move(bus)), str(std::move(path), 'o')}); }

TEST(AtspiRoles, MapsTheToolkitRolesThePanelRulesRead) {
  static constexpr struct {
    std::uint32_t atspi;
    const char* ax;
  } kCases[] = {
      {43, "AXButton"},   {55, "AXTable"},      {66, "AXTable"},       {65, "AXOutline"},
      {90, "AXRow"},      {23, "AXWindow"},     {16, "AXWindow"},      {19, "AXWindow"},
      {69, "AXWindow"},   {75, "AXApplication"}, {56, "AXCell"},       {62, "AXCheckBox"},
      {32, "AXGroup"},    {40, "AXGroup"},      {0, "AXGroup"},        {4000000, "AXGroup"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.atspi);
    EXPECT_EQ(axRole(c.atspi, 0), c.ax);
  }
}

// Only an editable text that is not multi-line is a text field: GTK 3's GtkTextView (a
// document) is a text with MULTI_LINE, and its content must never become a typed file name.
TEST(AtspiRoles, OnlySingleLineEditableTextIsATextField) {
  constexpr StateSet kSingle = StateSet{1} << kStateSingleLine;
  constexpr StateSet kMulti = StateSet{1} << kStateMultiLine;
  constexpr StateSet kEditable = StateSet{1} << kStateEditable;
  static constexpr struct {
    std::uint32_t role;
    StateSet states;
    const char* ax;
  } kCases[] = {
      {61, kSingle | kEditable, "AXTextField"},         // GtkEntry
      {79, kSingle | kEditable, "AXTextField"},         // an entry role
      {61, kEditable, "AXTextField"},                   // Qt 5's QLineEdit, GTK 4's GtkText
      {61, kMulti | kEditable, "AXTextArea"},           // GtkTextView, QTextEdit
      {61, kMulti, "AXTextArea"},                       // a read-only document
      {61, kSingle, "AXTextArea"},                      // read-only: nothing typed
      {61, kSingle | kMulti | kEditable, "AXTextArea"}, // contradictory: not a name field
      {61, 0, "AXTextArea"},
      {43, kSingle | kEditable, "AXButton"},            // states change only text roles
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.role << " " << c.states);
    EXPECT_EQ(axRole(c.role, c.states), c.ax);
  }
}

TEST(AtspiPathBar, TheFolderIsRebuiltFromTheBaseToTheCheckedButton) {
  const std::optional<std::string> home = "/home/ana";
  static const struct {
    const char* description;
    std::vector<PathBarButton> buttons;
    std::optional<std::string> path;
    std::size_t button;
  } kCases[] = {
      {"deepest first, as GTK 3.24 lists them", {{"sub dir é", true}, {"tmp", false}, {"File System Root", false}},
       "/tmp/sub dir é", 0},
      {"root first", {{"File System Root", false}, {"tmp", true}}, "/tmp", 1},
      {"the checked one is not the deepest", {{"c", false}, {"b", true}, {"a", false}, {"File System Root", false}},
       "/a/b", 1},
      {"the root itself", {{"tmp", false}, {"File System Root", true}}, "/", 1},
      {"from the home folder's button", {{"docs", true}, {"ana", false}}, "/home/ana/docs", 0},
      {"the home folder's name deeper under the root", {{"ana", true}, {"srv", false}, {"File System Root", false}},
       "/srv/ana", 0},
      {"no base at either end", {{"docs", true}, {"bob", false}}, std::nullopt, 0},
      {"nothing checked", {{"tmp", false}, {"File System Root", false}}, std::nullopt, 0},
      {"two checked", {{"tmp", true}, {"File System Root", true}}, std::nullopt, 0},
      {"a label that is no component", {{"a/b", true}, {"File System Root", false}}, std::nullopt, 0},
      {"a parent step", {{"..", true}, {"File System Root", false}}, std::nullopt, 0},
      {"an empty label", {{"", true}, {"File System Root", false}}, std::nullopt, 0},
      {"no buttons", {}, std::nullopt, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.description);
    const auto folder = pathBarFolder(c.buttons, home);
    ASSERT_EQ(folder.has_value(), c.path.has_value());
    if (!folder) continue;
    EXPECT_EQ(folder->path, *c.path);
    EXPECT_EQ(folder->button, c.button);
  }
  EXPECT_EQ(pathBarFolder({{"docs", true}, {"ana", false}}, std::nullopt), std::nullopt);  // no home known
}

TEST(AtspiPathBar, FileUrlsEncodeEveryByteOutsideTheUnreservedSet) {
  static constexpr struct {
    const char* path;
    const char* url;
  } kCases[] = {
      {"/", "file:///"},
      {"/tmp/a b", "file:///tmp/a%20b"},
      {"/tmp/\xC3\xA9t\xC3\xA9", "file:///tmp/%C3%A9t%C3%A9"},
      {"/x/100%#?;=&+", "file:///x/100%25%23%3F%3B%3D%26%2B"},
      {"/keep-._~AZaz09", "file:///keep-._~AZaz09"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(fileUrlOfPath(c.path), c.url);
  }
}

TEST(AtspiWindowOrder, ActiveThenModalThenStackingOrder) {
  constexpr std::uint64_t kActive = std::uint64_t{1} << kStateActive;
  constexpr std::uint64_t kModal = std::uint64_t{1} << kStateModal;
  static const struct {
    const char* description;
    std::vector<Frame> frames;
    std::vector<std::string> stacked;
    std::vector<std::size_t> order;
  } kCases[] = {
      {"the active dialog before the main window", {{"Main", 0}, {"Open File", kActive | kModal}}, {}, {1, 0}},
      {"a modal frame before the rest", {{"Main", 0}, {"Other", 0}, {"Open File", kModal}}, {}, {2, 0, 1}},
      {"the rest as stacked", {{"A", 0}, {"B", 0}, {"C", 0}}, {"C", "A", "B"}, {2, 0, 1}},
      {"unmatched frames after, in AT-SPI order", {{"A", 0}, {"X", 0}, {"B", 0}, {"Y", 0}}, {"B", "A"}, {2, 0, 1, 3}},
      {"a title two frames share matches neither", {{"Same", 0}, {"Same", 0}, {"B", 0}}, {"Same", "B"}, {2, 0, 1}},
      {"a title two windows share matches none", {{"A", 0}, {"B", 0}}, {"A", "B", "A"}, {1, 0}},
      {"no windows known: AT-SPI order", {{"A", 0}, {"B", 0}}, {}, {0, 1}},
      {"none", {}, {"A"}, {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.description);
    EXPECT_EQ(frontFirst(c.frames, c.stacked), c.order);
  }
}

TEST(AtspiRoles, MnemonicMarkersAreRemoved) {
  static constexpr struct {
    const char* in;
    const char* out;
  } kCases[] = {{"_Open", "Open"}, {"Save _As", "Save As"}, {"a__b", "a_b"}, {"end_", "end_"},
                {"_", "_"},        {"", ""},               {"___x", "_x"}, {"plain", "plain"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(withoutMnemonic(c.in), c.out);
  }
}

TEST(AtspiReplies, ReadOnlyTheShapeTheMethodPromises) {
  const Reply none;
  const Reply empty = std::vector<BusValue>{};
  EXPECT_EQ(replyUint(Reply{{num(43, 'u')}}), 43u);
  EXPECT_EQ(replyUint(Reply{{num(43, 'i')}}), std::nullopt);
  EXPECT_EQ(replyUint(none), std::nullopt);
  EXPECT_EQ(replyUint(empty), std::nullopt);

  EXPECT_EQ(replyText(Reply{{str("Open")}}), "Open");
  EXPECT_EQ(replyText(Reply{{box('v', {str("in a variant")})}}), "in a variant");
  EXPECT_EQ(replyText(Reply{{box('v', {box('v', {str("twice")})})}}), "twice");
  EXPECT_EQ(replyText(Reply{{box('v', {})}}), std::nullopt);
  EXPECT_EQ(replyText(Reply{{box('v', {num(1, 'i')})}}), std::nullopt);
  EXPECT_EQ(replyText(Reply{{str("/a/path", 'o')}}), std::nullopt);

  EXPECT_EQ(replyInteger(Reply{{box('v', {num(-3, 'i')})}}), -3);
  EXPECT_EQ(replyInteger(Reply{{num(4000, 'u')}}), 4000);
  EXPECT_EQ(replyInteger(Reply{{box('v', {str("3")})}}), std::nullopt);

  const Reply children{{box('a', {ref(":1.5", "/a/1"), ref(":1.5", "/org/a11y/atspi/null"), ref("", "/a/2"),
                                  box('r', {str(":1.5")}), str("loose"), ref(":1.5", "/a/3")})}};
  const auto refs = replyReferences(children);
  ASSERT_EQ(refs.size(), 2u);
  EXPECT_EQ(refs[0].path, "/a/1");
  EXPECT_EQ(refs[1].path, "/a/3");
  EXPECT_TRUE(replyReferences(Reply{{ref(":1.5", "/a/1")}}).empty());
  EXPECT_EQ(replyReference(Reply{{ref(":1.5", "/a/1")}})->bus, ":1.5");
  EXPECT_EQ(replyReference(Reply{{ref(":1.5", "/org/a11y/atspi/null")}}), std::nullopt);

  EXPECT_EQ(replyInts(Reply{{box('a', {num(1, 'i'), num(2, 'u'), num(7, 'i')})}}), (std::vector<std::int32_t>{1, 7}));

  const Reply states{{box('a', {num(1u << 23, 'u'), num(0, 'u')})}};
  EXPECT_TRUE(replyHasState(states, 23));
  EXPECT_FALSE(replyHasState(states, 25));
  EXPECT_FALSE(replyHasState(states, 64));  // beyond the words given
  EXPECT_TRUE(replyHasState(Reply{{box('a', {num(0, 'u'), num(1, 'u')})}}, 32));
  EXPECT_FALSE(replyHasState(Reply{{box('a', {num(1u << 23, 'i')})}}, 23));

  EXPECT_EQ(replyStates(Reply{{box('a', {num(1u << 30, 'u'), num(1u << 11, 'u'), num(7, 'u')})}}),
            (std::uint64_t{1} << 30) | (std::uint64_t{1} << 43));  // a third word holds no state yet
  EXPECT_EQ(replyStates(Reply{{box('a', {num(1, 'i'), num(2, 'u')})}}), std::uint64_t{2} << 32);
  EXPECT_EQ(replyStates(Reply{{box('a', {})}}), 0u);
  EXPECT_EQ(replyStates(Reply{{num(1, 'u')}}), std::nullopt);
  EXPECT_EQ(replyStates(none), std::nullopt);
}

TEST(AtspiBusAddress, OnlyOneLocalSocketIsUsed) {
  static constexpr struct {
    const char* address;
    bool usable;
  } kCases[] = {
      {"unix:path=/root/.cache/at-spi/bus_0,guid=141a098e07dd0982399484646b1aa953", true},
      {"unix:abstract=/tmp/dbus-XXXX,guid=00", true},
      {"tcp:host=10.0.0.1,port=9", false},
      {"unix:path=/x;tcp:host=10.0.0.1,port=9", false},
      {"", false},
      {"UNIX:path=/x", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(isLocalBusAddress(c.address), c.usable);
  }
  EXPECT_FALSE(isLocalBusAddress(std::string_view("unix:path=/x\0/y", 15)));  // c_str() would cut it
}

// An accessibility bus in memory: one application whose objects are given by path, the
// registry and the bus daemon's pid lookup. Counts the calls and the batches.
constexpr std::uint32_t kShown = (1u << kStateShowing) | (1u << kStateVisible);
constexpr std::uint32_t kNameField = kShown | (1u << kStateSingleLine) | (1u << kStateEditable);

struct FakeObject {
  std::uint32_t role = 39;  // panel
  std::string name;
  std::vector<std::string> children;
  std::uint32_t states = kShown;
  std::optional<std::string> text;
  // Table interface: rows, columns, selected rows, and the cell object of (row, column).
  std::optional<std::int32_t> rows, columns;
  std::vector<std::int32_t> selectedRows;
  std::map<std::pair<std::int32_t, std::int32_t>, std::string> cells;
};

FakeObject obj(std::uint32_t role, std::string name, std::vector<std::string> children = {},
               std::uint32_t states = kShown) {
  FakeObject o;
  o.role = role;
  o.name = std::move(name);
  o.children = std::move(children);
  o.states = states;
  return o;
}

class FakeBus final : public Bus {
 public:
  static constexpr char kApp[] = ":1.9";
  static constexpr std::int32_t kPid = 4242;
  std::map<std::string, FakeObject> objects;
  mutable int calls = 0;
  mutable int batches = 0;
  mutable std::map<std::string, int> callsOf;  // by member
  bool answerRole = true;
  bool offerCache = false;  // GetItems, leaving out the cells of tables as toolkits do

  Reply call(const MethodCall& c) const override { return callAll({c}).front(); }

  std::vector<Reply> callAll(const std::vector<MethodCall>& cs) const override {
    ++batches;
    std::vector<Reply> out;
    for (const MethodCall& c : cs) out.push_back(answer(c));
    return out;
  }

 private:
  Reply cacheItems() const {
    std::map<std::string, std::pair<std::string, int>> parents;
    for (const auto& [path, o] : objects) {
      if (o.role == 55) continue;
      for (std::size_t k = 0; k < o.children.size(); ++k) parents[o.children[k]] = {path, static_cast<int>(k)};
    }
    std::vector<BusValue> items;
    for (const auto& [path, o] : objects) {
      if (path != "/org/a11y/atspi/accessible/root" && parents.find(path) == parents.end()) continue;
      const auto parent = parents.find(path);
      items.push_back(box('r', {ref(kApp, path), ref(kApp, "/org/a11y/atspi/accessible/root"),
                                parent == parents.end() ? ref(":1.2", "/org/a11y/atspi/accessible/root")
                                                        : ref(kApp, parent->second.first),
                                num(parent == parents.end() ? 0 : parent->second.second, 'i'),
                                num(static_cast<std::int64_t>(o.children.size()), 'i'), box('a', {str("org.a11y.atspi.Accessible")}),
                                str(o.name), num(o.role, 'u'), str(""), box('a', {num(o.states, 'u'), num(0, 'u')})}));
    }
    return Reply{{box('a', items)}};
  }

  Reply answer(const MethodCall& c) const {
    ++calls;
    ++callsOf[c.member];
    if (c.member == "GetConnectionUnixProcessID") {
      return c.arguments.at(0).text == kApp ? Reply{{num(kPid, 'u')}} : Reply{{num(1, 'u')}};
    }
    if (c.destination == "org.a11y.atspi.Registry") {
      return Reply{{box('a', {ref(":1.2", "/org/a11y/atspi/accessible/root"), ref(kApp, "/org/a11y/atspi/accessible/root")})}};
    }
    if (c.destination != kApp) return std::nullopt;
    if (c.member == "GetItems") return offerCache ? cacheItems() : std::nullopt;
    const auto it = objects.find(c.path);
    if (it == objects.end()) return std::nullopt;
    const FakeObject& o = it->second;
    if (c.member == "GetRole") return answerRole ? Reply{{num(o.role, 'u')}} : std::nullopt;
    if (c.member == "GetChildren") {
      std::vector<BusValue> refs;
      for (const auto& p : o.children) refs.push_back(ref(kApp, p));
      return Reply{{box('a', refs)}};
    }
    if (c.member == "GetState") return Reply{{box('a', {num(o.states, 'u'), num(0, 'u')})}};
    if (c.member == "GetText") return o.text ? Reply{{str(*o.text)}} : std::nullopt;
    if (c.member == "GetSelectedRows") {
      std::vector<BusValue> rows;
      for (auto r : o.selectedRows) rows.push_back(num(r, 'i'));
      return Reply{{box('a', rows)}};
    }
    if (c.member == "GetAccessibleAt") {
      const auto cell = o.cells.find({c.arguments.at(0).integer, c.arguments.at(1).integer});
      if (cell == o.cells.end()) return std::nullopt;
      return Reply{{ref(kApp, cell->second)}};
    }
    if (c.member == "Get") {
      const std::string& property = c.arguments.at(1).text;
      if (property == "Name") return Reply{{box('v', {str(o.name)})}};
      if (property == "NRows" && o.rows) return Reply{{box('v', {num(*o.rows, 'i')})}};
      if (property == "NColumns" && o.columns) return Reply{{box('v', {num(*o.columns, 'i')})}};
    }
    return std::nullopt;
  }
};

// A GTK 3 open chooser: a window with a hidden sibling, a sidebar list item that is selected,
// the "_Open" button, a file table whose name column packs an icon and the name, and a hidden
// popover (GTK keeps it in the tree) whose own parts are marked visible.
std::shared_ptr<FakeBus> openChooser() {
  auto bus = std::make_shared<FakeBus>();
  auto& o = bus->objects;
  o["/org/a11y/atspi/accessible/root"] = obj(75, "ozmi-test-panel", {"/w/hidden", "/w/open"});
  o["/w/hidden"] = obj(16, "Hidden Dialog", {"/h/button"}, 0);
  o["/h/button"] = obj(43, "_Save");
  o["/w/open"] = obj(19, "Open File", {"/sidebar", "/buttons", "/scroll", "/popover"}, kShown | (1u << kStateActive));
  o["/popover"] = obj(39, "", {"/p/create", "/p/name"}, 1u << kStateModal);
  o["/p/create"] = obj(43, "_Create", {}, 1u << kStateVisible);
  o["/p/name"] = obj(61, "", {}, (1u << kStateVisible) | (1u << kStateSingleLine) | (1u << kStateEditable));
  o["/p/name"].text = "hidden folder name";
  o["/sidebar"] = obj(98, "", {"/place"});
  o["/place"] = obj(32, "Home", {}, kShown | (1u << kStateSelected));
  o["/buttons"] = obj(20, "", {"/cancel", "/open"});
  o["/cancel"] = obj(43, "_Cancel");
  o["/open"] = obj(43, "_Open");
  o["/scroll"] = obj(49, "", {"/table"});
  FakeObject table = obj(55, "Files", {"/cell/0/0", "/cell/0/1"});
  table.rows = 3;
  table.columns = 2;
  table.selectedRows = {1};
  for (int r = 0; r < 3; ++r) {
    const std::string base = "/cell/" + std::to_string(r);
    table.cells[{r, 0}] = base + "/0";
    table.cells[{r, 1}] = base + "/1";
    o[base + "/0"] = obj(56, "", {base + "/icon", base + "/name"});
    o[base + "/icon"] = obj(56, "");
    o[base + "/name"] = obj(56, "file_" + std::to_string(r) + ".txt");
    o[base + "/1"] = obj(56, "2 bytes");
  }
  o["/table"] = table;
  return bus;
}

std::vector<Element> windowsOf(const std::shared_ptr<FakeBus>& bus, ReadMode mode) {
  return AX::windows(applicationElement(bus, FakeBus::kPid, mode));
}

class AtspiTreeTest : public ::testing::TestWithParam<ReadMode> {};

TEST_P(AtspiTreeTest, OpenChooserGivesItsSelectedRowsFileName) {
  const auto bus = openChooser();
  const auto windows = windowsOf(bus, GetParam());
  ASSERT_EQ(windows.size(), 1u);  // the hidden dialog is not on screen
  EXPECT_EQ(AX::role(windows[0]), "AXWindow");
  EXPECT_EQ(AX::title(windows[0]), "Open File");
  const auto panel = inspectWindow(windows[0]);
  ASSERT_TRUE(panel.has_value());
  EXPECT_EQ(panel->kind(), "open");
  EXPECT_EQ(panel->title(), "Open File");
  EXPECT_EQ(panel->dir(), std::nullopt);
  ASSERT_EQ(panel->files().size(), 1u);
  EXPECT_EQ(panel->files()[0].name(), "file_1.txt");
  EXPECT_EQ(panel->files()[0].path(), std::nullopt);
}

TEST_P(AtspiTreeTest, SaveChooserGivesTheTypedName) {
  const auto bus = openChooser();
  auto& o = bus->objects;
  o["/open"].name = "_Save";
  o["/table"].selectedRows = {};
  o["/buttons"].children.push_back("/entry");
  o["/entry"] = obj(61, "", {}, kNameField);
  o["/entry"].text = "report_v2 final.txt";
  const auto panel = inspectWindow(windowsOf(bus, GetParam()).at(0));
  ASSERT_TRUE(panel.has_value());
  EXPECT_EQ(panel->kind(), "save");
  ASSERT_EQ(panel->files().size(), 1u);
  EXPECT_EQ(panel->files()[0].name(), "report_v2 final.txt");  // a value keeps its underscores
}

TEST_P(AtspiTreeTest, WhatIsNotVisibleIsNotAChild) {
  const auto bus = openChooser();
  const auto window = windowsOf(bus, GetParam()).at(0);
  const auto children = AX::children(window);
  ASSERT_EQ(children.size(), 3u);  // the popover is not among them
  // Not showing, but visible: a path-bar button scrolled out of view stays.
  bus->objects["/buttons"].states = 1u << kStateVisible;
  EXPECT_EQ(AX::children(windowsOf(bus, GetParam()).at(0)).size(), 3u);
}

TEST_P(AtspiTreeTest, ADocumentIsNoTypedName) {
  const auto bus = std::make_shared<FakeBus>();
  auto& o = bus->objects;
  o["/org/a11y/atspi/accessible/root"] = obj(75, "editor", {"/w/main"});
  o["/w/main"] = obj(23, "Editor main", {"/save", "/view"});
  o["/save"] = obj(43, "_Save");
  o["/view"] = obj(61, "", {}, kShown | (1u << kStateMultiLine) | (1u << kStateEditable));
  o["/view"].text = "Dear diary, secret text";
  const auto window = windowsOf(bus, GetParam()).at(0);
  EXPECT_EQ(AX::role(AX::children(window).at(1)), "AXTextArea");
  EXPECT_EQ(inspectWindow(window), std::nullopt);
}

// A temporary folder "<tmp>/sub dir é" that exists, removed at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    char base[] = "/tmp/ozmi-atspi-XXXXXX";
    if (::mkdtemp(base) != nullptr) base_ = base;
    std::filesystem::create_directory(path());
  }
  ~TempFolder() {
    if (!base_.empty()) std::filesystem::remove_all(base_);
  }
  std::filesystem::path path() const { return std::filesystem::path(base_) / "sub dir \xC3\xA9"; }
  std::string baseName() const { return std::filesystem::path(base_).filename(); }

 private:
  std::string base_;
};

// A GTK 3 path bar in the chooser: toggle buttons deepest first, the checked one the folder.
void addPathBar(FakeBus& bus, std::vector<std::pair<std::string, bool>> buttons) {
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    const std::string path = "/pathbar/" + std::to_string(i);
    bus.objects[path] = obj(62, buttons[i].first, {}, kShown | (buttons[i].second ? 1u << kStateChecked : 0));
    paths.push_back(path);
  }
  paths.push_back("/pathbar/up");
  bus.objects["/pathbar/up"] = obj(43, "Up Path");
  bus.objects["/pathbar"] = obj(39, "", paths);
  bus.objects["/w/open"].children.insert(bus.objects["/w/open"].children.begin(), "/pathbar");
}

TEST_P(AtspiTreeTest, ThePathBarGivesTheFolderWhenItExists) {
  const TempFolder folder;
  {
    SCOPED_TRACE("an existing folder");
    const auto bus = openChooser();
    addPathBar(*bus, {{"sub dir \xC3\xA9", true}, {folder.baseName(), false}, {"tmp", false},
                      {"File System Root", false}});
    const auto panel = inspectWindow(windowsOf(bus, GetParam()).at(0));
    ASSERT_TRUE(panel.has_value());
    EXPECT_EQ(panel->dir(), folder.path().string());
    ASSERT_EQ(panel->files().size(), 1u);
    EXPECT_EQ(panel->files()[0].path(), (folder.path() / "file_1.txt").string());
  }
  {
    SCOPED_TRACE("from the home folder's button");
    const auto bus = openChooser();
    addPathBar(*bus, {{"sub dir \xC3\xA9", true}, {folder.baseName(), false}});
    const DesktopFacts desktop{"/tmp/" + folder.baseName(), {}};
    const auto windows = AX::windows(applicationElement(bus, FakeBus::kPid, GetParam(), desktop));
    const auto panel = inspectWindow(windows.at(0));
    ASSERT_TRUE(panel.has_value());
    EXPECT_EQ(panel->dir(), folder.path().string());
  }
  {
    SCOPED_TRACE("a label that names no folder there (a volume, a shortened name)");
    const auto bus = openChooser();
    addPathBar(*bus, {{"My Volume", true}, {folder.baseName(), false}, {"tmp", false}, {"File System Root", false}});
    const auto panel = inspectWindow(windowsOf(bus, GetParam()).at(0));
    ASSERT_TRUE(panel.has_value());
    EXPECT_EQ(panel->dir(), std::nullopt);
    EXPECT_EQ(panel->files().at(0).path(), std::nullopt);
  }
}

TEST_P(AtspiTreeTest, AComboBoxNamedAfterAFolderGivesIt) {
  const TempFolder folder;
  const struct {
    std::uint32_t role;
    std::string name;
    bool folder;
  } kCases[] = {
      {11, folder.path().string(), true},  // Qt's "Look in"
      {11, "/nonexistent/ozmi", false},
      {11, "relative/" + folder.baseName(), false},
      {29, folder.path().string(), false},  // a label is no place to look in
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const auto bus = openChooser();
    bus->objects["/lookin"] = obj(c.role, c.name);
    bus->objects["/w/open"].children.push_back("/lookin");
    const auto panel = inspectWindow(windowsOf(bus, GetParam()).at(0));
    ASSERT_TRUE(panel.has_value());
    EXPECT_EQ(panel->dir(), c.folder ? std::optional<std::string>(folder.path().string()) : std::nullopt);
  }
}

TEST_P(AtspiTreeTest, WindowsComeFrontFirst) {
  const auto bus = openChooser();
  auto& o = bus->objects;
  // A main window that looks like a save panel, made before the chooser.
  o["/org/a11y/atspi/accessible/root"].children = {"/w/main", "/w/open"};
  o["/w/main"] = obj(23, "Main", {"/m/save", "/m/entry"});
  o["/m/save"] = obj(43, "_Save");
  o["/m/entry"] = obj(61, "", {}, kNameField);
  o["/m/entry"].text = "main window text";
  {
    SCOPED_TRACE("the active chooser first");
    const auto windows = windowsOf(bus, GetParam());
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(AX::title(windows[0]), "Open File");
    EXPECT_EQ(AX::title(windows[1]), "Main");
  }
  {
    SCOPED_TRACE("no active frame: the window manager's stacking order");
    o["/w/open"].states = kShown;
    std::vector<std::int32_t> asked;
    const DesktopFacts desktop{std::nullopt, [&](std::int32_t pid) {
                                 asked.push_back(pid);
                                 return std::vector<std::string>{"Open File", "Main"};
                               }};
    const auto windows = AX::windows(applicationElement(bus, FakeBus::kPid, GetParam(), desktop));
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(AX::title(windows[0]), "Open File");
    EXPECT_EQ(asked, std::vector<std::int32_t>{FakeBus::kPid});
  }
}

TEST_P(AtspiTreeTest, RowsAreSynthesisedFromTheTableInterface) {
  const auto bus = openChooser();
  const auto window = windowsOf(bus, GetParam()).at(0);
  const auto table = AX::children(AX::children(window).at(2)).at(0);
  EXPECT_EQ(AX::role(table), "AXTable");
  const auto rows = AX::children(table);
  ASSERT_EQ(rows.size(), 3u);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    SCOPED_TRACE(r);
    EXPECT_EQ(AX::role(rows[r]), "AXRow");
    EXPECT_EQ(AX::boolean(rows[r], "AXSelected"), r == 1);
    const auto cells = AX::children(rows[r]);
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(AX::title(cells[0]), "file_" + std::to_string(r) + ".txt");  // from its parts
    EXPECT_EQ(AX::title(cells[1]), "2 bytes");
    EXPECT_EQ(AX::url(cells[0]), std::nullopt);
  }
  // The sidebar's selected place is a list item, not a row, so it never names a file.
  EXPECT_EQ(AX::role(AX::children(AX::children(window).at(0)).at(0)), "AXGroup");
}

TEST_P(AtspiTreeTest, ApplicationsThatDoNotAnswerGiveNeutralResults) {
  {
    SCOPED_TRACE("no bus");
    const Element app = applicationElement(nullptr, FakeBus::kPid, GetParam());
    EXPECT_TRUE(AX::windows(app).empty());
    EXPECT_EQ(AX::role(app), "");
  }
  {
    SCOPED_TRACE("no application with that pid");
    const Element app = applicationElement(openChooser(), 77, GetParam());
    EXPECT_TRUE(AX::windows(app).empty());
  }
  {
    SCOPED_TRACE("roles unanswered");
    const auto bus = openChooser();
    bus->answerRole = false;
    const auto windows = windowsOf(bus, GetParam());
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(AX::role(windows[0]), "");
    EXPECT_EQ(inspectWindow(windows[0]), std::nullopt);
  }
  {
    SCOPED_TRACE("a table without the Table interface shows its own children");
    const auto bus = openChooser();
    bus->objects["/table"].rows.reset();
    const auto window = windowsOf(bus, GetParam()).at(0);
    const auto table = AX::children(AX::children(window).at(2)).at(0);
    const auto children = AX::children(table);
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(AX::role(children[0]), "AXCell");
  }
}

TEST_P(AtspiTreeTest, ACycleInTheTreeIsCutByTheWalkLimits) {
  const auto bus = openChooser();
  bus->objects["/buttons"].children.push_back("/w/open");  // a child that is its own ancestor
  const auto panel = inspectWindow(windowsOf(bus, GetParam()).at(0));
  ASSERT_TRUE(panel.has_value());
  EXPECT_EQ(panel->kind(), "open");
}

INSTANTIATE_TEST_SUITE_P(BothReadModes, AtspiTreeTest,
                         ::testing::Values(ReadMode::perRead, ReadMode::prefetch),
                         [](const auto& info) { return info.param == ReadMode::perRead ? "perRead" : "prefetch"; });

TEST(AtspiCache, BulkDescriptionGivesTheSameTreeInFewerCalls) {
  const auto levels = openChooser();
  const auto cached = openChooser();
  cached->offerCache = true;
  const auto fromLevels = inspectWindow(windowsOf(levels, ReadMode::prefetch).at(0));
  const auto fromCache = inspectWindow(windowsOf(cached, ReadMode::prefetch).at(0));
  ASSERT_TRUE(fromCache.has_value());
  EXPECT_EQ(fromCache->kind(), "open");
  EXPECT_EQ(fromCache->title(), "Open File");
  ASSERT_EQ(fromCache->files().size(), 1u);
  EXPECT_EQ(fromCache->files()[0].name(), fromLevels->files()[0].name());
  EXPECT_LT(cached->calls, levels->calls);
  EXPECT_LT(cached->batches, levels->batches);
  // The states come with the description: only the window list asks for them (one per
  // top-level object), never an element of the tree.
  EXPECT_EQ(cached->callsOf["GetState"], 2);
}

TEST(AtspiCache, ItemsOfAnotherShapeAreLeftOut) {
  const auto item = [](std::string path, std::string parent, int index, int count) {
    return box('r', {ref(":1.9", std::move(path)), ref(":1.9", "/root"), ref(":1.9", std::move(parent)),
                     num(index, 'i'), num(count, 'i'), box('a', {}), str("name"), num(43, 'u'), str(""),
                     box('a', {num(1u << 30, 'u'), num(1, 'u')})});
  };
  BusValue shortItem = item("/short", "/p", 0, 0);
  shortItem.items.pop_back();
  BusValue wrongRole = item("/wrong", "/p", 0, 0);
  wrongRole.items[7] = str("43");
  const Reply reply{{box('a', {item("/p", "/org/a11y/atspi/null", 0, 3), item("/c2", "/p", 2, 0), shortItem,
                               item("/c0", "/p", 0, 0), wrongRole, item("/c1", "/p", 1, 0), str("loose")})}};
  const auto items = replyCacheItems(reply);
  ASSERT_TRUE(items.has_value());
  ASSERT_EQ(items->size(), 4u);
  EXPECT_EQ((*items)[0].parentPath, "");  // the null object is no parent
  EXPECT_EQ((*items)[1].role, 43u);
  EXPECT_EQ((*items)[1].name, "name");
  EXPECT_EQ((*items)[1].states, (std::uint64_t{1} << 30) | (std::uint64_t{1} << 32));

  std::map<std::string, std::vector<std::string>> complete;
  for (const auto& [path, list] : completeChildren(*items)) {
    for (std::size_t i : list) complete[path].push_back((*items)[i].object.path);
    complete.try_emplace(path);
  }
  EXPECT_EQ(complete["/p"], (std::vector<std::string>{"/c0", "/c1", "/c2"}));  // by index in parent
  EXPECT_TRUE(complete.count("/c0"));  // no children, none missing

  // A parent whose count says more children than the cache holds is not complete.
  const auto partial = replyCacheItems(Reply{{box('a', {item("/t", "", 0, 5), item("/x", "/t", 0, 0)})}});
  for (const auto& [path, list] : completeChildren(*partial)) EXPECT_NE(path, "/t");

  EXPECT_EQ(replyCacheItems(Reply{}), std::nullopt);
  EXPECT_TRUE(replyCacheItems(Reply{{str("not an array")}})->empty());
}

TEST(AtspiPrefetch, ReadsAWindowInOneBatchPerLevel) {
  const auto perRead = openChooser();
  const auto prefetch = openChooser();
  inspectWindow(windowsOf(perRead, ReadMode::perRead).at(0));
  inspectWindow(windowsOf(prefetch, ReadMode::prefetch).at(0));
  EXPECT_LT(prefetch->batches, perRead->batches);
}

}  // namespace
}  // namespace ozmi::probe::atspi
