// The AT-SPI layer on an in-memory bus: the role table, the reply readers on replies of every
// shape, and whole GTK-like file chooser trees read both ways.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "atspi_bus_linux.h"
#include "atspi_element_linux.h"
#include "atspi_replies_linux.h"
#include "atspi_roles_linux.h"
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
      {90, "AXRow"},      {61, "AXTextField"},  {79, "AXTextField"},   {23, "AXWindow"},
      {16, "AXWindow"},   {19, "AXWindow"},     {69, "AXWindow"},      {75, "AXApplication"},
      {56, "AXCell"},     {62, "AXCheckBox"},   {32, "AXGroup"},       {40, "AXGroup"},
      {0, "AXGroup"},     {4000000, "AXGroup"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.atspi);
    EXPECT_EQ(axRole(c.atspi), c.ax);
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
struct FakeObject {
  std::uint32_t role = 39;  // panel
  std::string name;
  std::vector<std::string> children;
  std::uint32_t states = 1u << 25;  // showing
  std::optional<std::string> text;
  // Table interface: rows, columns, selected rows, and the cell object of (row, column).
  std::optional<std::int32_t> rows, columns;
  std::vector<std::int32_t> selectedRows;
  std::map<std::pair<std::int32_t, std::int32_t>, std::string> cells;
};

FakeObject obj(std::uint32_t role, std::string name, std::vector<std::string> children = {},
               std::uint32_t states = 1u << 25) {
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
// the "_Open" button, and a file table whose name column packs an icon and the name.
std::shared_ptr<FakeBus> openChooser() {
  auto bus = std::make_shared<FakeBus>();
  auto& o = bus->objects;
  o["/org/a11y/atspi/accessible/root"] = obj(75, "ozmi-test-panel", {"/w/hidden", "/w/open"});
  o["/w/hidden"] = obj(16, "Hidden Dialog", {"/h/button"}, 0);
  o["/h/button"] = obj(43, "_Save");
  o["/w/open"] = obj(19, "Open File", {"/sidebar", "/buttons", "/scroll"});
  o["/sidebar"] = obj(98, "", {"/place"});
  o["/place"] = obj(32, "Home", {}, (1u << 25) | (1u << 23));
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
  o["/entry"] = obj(61, "");
  o["/entry"].text = "report_v2 final.txt";
  const auto panel = inspectWindow(windowsOf(bus, GetParam()).at(0));
  ASSERT_TRUE(panel.has_value());
  EXPECT_EQ(panel->kind(), "save");
  ASSERT_EQ(panel->files().size(), 1u);
  EXPECT_EQ(panel->files()[0].name(), "report_v2 final.txt");  // a value keeps its underscores
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
}

TEST(AtspiCache, ItemsOfAnotherShapeAreLeftOut) {
  const auto item = [](std::string path, std::string parent, int index, int count) {
    return box('r', {ref(":1.9", std::move(path)), ref(":1.9", "/root"), ref(":1.9", std::move(parent)),
                     num(index, 'i'), num(count, 'i'), box('a', {}), str("name"), num(43, 'u'), str(""),
                     box('a', {})});
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
