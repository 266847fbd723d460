#include "atspi_element_linux.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "atspi_path_bar_linux.h"
#include "atspi_replies_linux.h"
#include "atspi_roles_linux.h"
#include "atspi_window_order_linux.h"
#include "file_system.h"
#include "file_url.h"

namespace ozmi::probe::atspi {

namespace {

// Result codes in the numbering the probe's readers know; any non-zero code is a failed read.
constexpr std::int32_t kErrorCannotComplete = -25204;
constexpr std::int32_t kErrorAttributeUnsupported = -25205;

constexpr char kAccessible[] = "org.a11y.atspi.Accessible";
constexpr char kTable[] = "org.a11y.atspi.Table";
constexpr char kText[] = "org.a11y.atspi.Text";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";
constexpr char kRegistry[] = "org.a11y.atspi.Registry";
constexpr char kRootPath[] = "/org/a11y/atspi/accessible/root";

MethodCall method(const ObjectRef& r, const char* interface, const char* member,
                  std::vector<CallArgument> arguments = {}) {
  return {r.bus, r.path, interface, member, std::move(arguments)};
}

MethodCall property(const ObjectRef& r, const char* interface, const char* name) {
  return {r.bus, r.path, kProperties, "Get", {CallArgument::of(interface), CallArgument::of(name)}};
}

AttributeRead failed(std::int32_t code = kErrorCannotComplete) { return {code, std::nullopt}; }

AttributeRead text(std::string s) { return {0, RawValue{std::move(s)}}; }

AttributeRead elementList(const std::vector<Element>& elements) {
  RawValue::Array array;
  array.reserve(elements.size());
  for (const Element& e : elements) array.push_back(RawValue{e});
  return {0, RawValue{std::move(array)}};
}

// What a prefetch learnt of an element; anything absent is read when it is asked for.
struct Facts {
  std::optional<std::uint32_t> role;
  std::optional<std::string> name;
  std::optional<StateSet> states;
  std::optional<std::vector<Element>> children;
  std::optional<std::string> url;  // the folder a path-bar button stands for
};

// What every element of one application's tree shares.
struct Tree {
  std::shared_ptr<const Bus> bus;
  std::optional<std::string> home;
};
using TreeRef = std::shared_ptr<const Tree>;

// Which children of a parent are shown, and the folder URL that its path bar serves; from the
// children's fetched facts (none for a child not fetched, which is kept).
struct ChildShape {
  std::vector<bool> shown;
  std::optional<std::pair<std::size_t, std::string>> url;  // child index, file URL
};

ChildShape shapeOf(const std::vector<const Facts*>& children, const std::optional<std::string>& home) {
  ChildShape shape;
  std::vector<PathBarButton> buttons;
  std::vector<std::size_t> buttonChild;
  for (std::size_t i = 0; i < children.size(); ++i) {
    const Facts* f = children[i];
    const bool shown = f == nullptr || !f->states || hasState(*f->states, kStateVisible);
    shape.shown.push_back(shown);
    if (shown && f != nullptr && f->role == kRoleToggleButton && f->name && f->states) {
      buttons.push_back({*f->name, hasState(*f->states, kStateChecked)});
      buttonChild.push_back(i);
    }
    if (shown && f != nullptr && f->role == kRoleComboBox && f->name && f->name->starts_with('/') &&
        isDirectory(*f->name) == true) {
      shape.url.emplace(i, fileUrlOfPath(*f->name));
    }
  }
  if (const auto folder = pathBarFolder(buttons, home); folder && isDirectory(folder->path) == true) {
    shape.url.emplace(buttonChild[folder->button], fileUrlOfPath(folder->path));
  }
  return shape;
}

class AccessibleNode final : public ElementNode {
 public:
  AccessibleNode(TreeRef tree, ObjectRef ref, Facts facts)
      : tree_(std::move(tree)), ref_(std::move(ref)), facts_(std::move(facts)) {}

  AttributeRead copyAttribute(std::string_view name) const override {
    const Bus& bus = *tree_->bus;
    if (name == "AXRole") {
      const auto r = role();
      if (!r) return failed();
      // Only text roles depend on the states.
      return text(std::string(axRole(*r, isText(*r) ? states().value_or(0) : 0)));
    }
    if (name == "AXTitle") {
      auto n = facts_.name ? facts_.name : replyText(bus.call(property(ref_, kAccessible, "Name")));
      if (!n) return failed();
      const auto r = role();
      return text(r && isButton(*r) ? withoutMnemonic(*n) : std::move(*n));
    }
    if (name == "AXValue") {
      const auto r = role();
      if (!r || !isText(*r)) return failed(kErrorAttributeUnsupported);
      auto t = replyText(bus.call(
          method(ref_, kText, "GetText", {CallArgument::of(0), CallArgument::of(-1)})));
      return t ? text(std::move(*t)) : failed();
    }
    if (name == "AXChildren") return elementList(children());
    if (name == "AXSelected") {
      const auto s = states();
      if (!s) return failed();
      return {0, RawValue{hasState(*s, kStateSelected)}};
    }
    if (name == "AXURL") {
      if (!facts_.url) return failed(kErrorAttributeUnsupported);
      return {0, RawValue{RawValue::Url{*facts_.url}}};
    }
    return failed(kErrorAttributeUnsupported);
  }

 private:
  std::optional<std::uint32_t> role() const {
    if (facts_.role) return facts_.role;
    if (!liveRole_) liveRole_ = replyUint(tree_->bus->call(method(ref_, kAccessible, "GetRole")));
    return liveRole_;
  }

  std::optional<StateSet> states() const {
    if (facts_.states) return facts_.states;
    if (!liveStates_) liveStates_ = replyStates(tree_->bus->call(method(ref_, kAccessible, "GetState")));
    return liveStates_;
  }

  std::vector<Element> children() const;

  TreeRef tree_;
  ObjectRef ref_;
  Facts facts_;
  // Neither a role nor the line and selection states change during one run.
  mutable std::optional<std::uint32_t> liveRole_;
  mutable std::optional<StateSet> liveStates_;
};

Element liveNode(const TreeRef& tree, ObjectRef ref) {
  return std::make_shared<AccessibleNode>(tree, std::move(ref), Facts{});
}

std::vector<Element> liveNodes(const TreeRef& tree, std::vector<ObjectRef> refs) {
  std::vector<Element> out;
  out.reserve(refs.size());
  for (ObjectRef& r : refs) out.push_back(liveNode(tree, std::move(r)));
  return out;
}

// Children read when they are asked for: their role, name and states in one batch, since
// whether each is shown is needed at once.
std::vector<Element> readChildren(const TreeRef& tree, const ObjectRef& parent) {
  const Bus& bus = *tree->bus;
  std::vector<ObjectRef> refs = replyReferences(bus.call(method(parent, kAccessible, "GetChildren")));
  std::vector<MethodCall> calls;
  for (const ObjectRef& r : refs) {
    calls.push_back(method(r, kAccessible, "GetRole"));
    calls.push_back(property(r, kAccessible, "Name"));
    calls.push_back(method(r, kAccessible, "GetState"));
  }
  const auto replies = bus.callAll(calls);
  std::vector<Facts> facts(refs.size());
  std::vector<const Facts*> pointers;
  for (std::size_t i = 0; i < refs.size(); ++i) {
    facts[i] = {replyUint(replies[3 * i]), replyText(replies[3 * i + 1]), replyStates(replies[3 * i + 2]), {}, {}};
    pointers.push_back(&facts[i]);
  }
  const ChildShape shape = shapeOf(pointers, tree->home);
  if (shape.url) facts[shape.url->first].url = shape.url->second;
  std::vector<Element> out;
  for (std::size_t i = 0; i < refs.size(); ++i) {
    if (shape.shown[i]) out.push_back(std::make_shared<AccessibleNode>(tree, std::move(refs[i]), std::move(facts[i])));
  }
  return out;
}

// One column of a synthesised row. Its title is read when asked for.
class CellNode final : public ElementNode {
 public:
  CellNode(std::shared_ptr<const Bus> bus, ObjectRef table, std::int32_t row, std::int32_t column)
      : bus_(std::move(bus)), table_(std::move(table)), row_(row), column_(column) {}

  AttributeRead copyAttribute(std::string_view name) const override {
    if (name == "AXRole") return text("AXCell");
    if (name == "AXChildren") return elementList({});
    if (name == "AXTitle") {
      const auto t = title();
      return t ? text(*t) : failed();
    }
    return failed(kErrorAttributeUnsupported);
  }

 private:
  // The cell's Name, or for a cell of several parts with no Name of its own, the first
  // non-empty Name of its parts.
  std::optional<std::string> title() const {
    const auto cell = replyReference(bus_->call(method(
        table_, kTable, "GetAccessibleAt", {CallArgument::of(row_), CallArgument::of(column_)})));
    if (!cell) return std::nullopt;
    const auto calls = bus_->callAll({property(*cell, kAccessible, "Name"),
                                      method(*cell, kAccessible, "GetChildren")});
    auto own = replyText(calls[0]);
    if (!own || !own->empty()) return own;
    const auto parts = replyReferences(calls[1]);
    std::vector<MethodCall> names;
    for (const ObjectRef& p : parts) names.push_back(property(p, kAccessible, "Name"));
    for (const Reply& r : bus_->callAll(names)) {
      auto n = replyText(r);
      if (n && !n->empty()) return n;
    }
    return own;
  }

  std::shared_ptr<const Bus> bus_;
  ObjectRef table_;
  std::int32_t row_;
  std::int32_t column_;
};

class RowNode final : public ElementNode {
 public:
  RowNode(std::shared_ptr<const Bus> bus, ObjectRef table, std::int32_t row, std::int32_t columns,
          bool selected)
      : bus_(std::move(bus)), table_(std::move(table)), row_(row), columns_(columns), selected_(selected) {}

  AttributeRead copyAttribute(std::string_view name) const override {
    if (name == "AXRole") return text("AXRow");
    if (name == "AXSelected") return {0, RawValue{selected_}};
    if (name == "AXChildren") {
      std::vector<Element> cells;
      for (std::int32_t c = 0; c < columns_; ++c) {
        cells.push_back(std::make_shared<CellNode>(bus_, table_, row_, c));
      }
      return elementList(cells);
    }
    return failed(kErrorAttributeUnsupported);
  }

 private:
  std::shared_ptr<const Bus> bus_;
  ObjectRef table_;
  std::int32_t row_;
  std::int32_t columns_;
  bool selected_;
};

// The rows of a table from its Table interface; none when the element does not answer it.
std::optional<std::vector<Element>> synthesisedRows(const std::shared_ptr<const Bus>& bus,
                                                    const ObjectRef& table) {
  const auto replies = bus->callAll({property(table, kTable, "NRows"), property(table, kTable, "NColumns"),
                                     method(table, kTable, "GetSelectedRows")});
  const auto rows = replyInteger(replies[0]);
  const auto columns = replyInteger(replies[1]);
  if (!rows || !columns) return std::nullopt;
  const auto selected = replyInts(replies[2]);
  const auto rowCount = static_cast<std::int32_t>(std::clamp<std::int64_t>(*rows, 0, kMaxRows));
  const auto columnCount = static_cast<std::int32_t>(std::clamp<std::int64_t>(*columns, 0, kMaxColumns));
  std::vector<Element> out;
  out.reserve(static_cast<std::size_t>(rowCount));
  for (std::int32_t r = 0; r < rowCount; ++r) {
    const bool isSelected = std::find(selected.begin(), selected.end(), r) != selected.end();
    out.push_back(std::make_shared<RowNode>(bus, table, r, columnCount, isSelected));
  }
  return out;
}

std::vector<Element> AccessibleNode::children() const {
  if (const auto r = role(); r && hasSynthesisedRows(*r)) {
    if (auto rows = synthesisedRows(tree_->bus, ref_)) return std::move(*rows);
  }
  if (facts_.children) return *facts_.children;
  return readChildren(tree_, ref_);
}

// The trees under `windows`, read level by level in batches (ReadMode::prefetch).
std::vector<Element> prefetchedTrees(const TreeRef& tree, const std::vector<ObjectRef>& windows) {
  const Bus& bus = *tree->bus;
  struct Fetched {
    ObjectRef ref;
    int depth = 0;
    Facts facts;
    std::vector<ObjectRef> childRefs;
    std::vector<std::optional<std::size_t>> childIndex;  // into `all`, when fetched
    bool childrenRead = false;
    std::vector<bool> shown;  // of the children, once read
  };
  std::vector<Fetched> all;
  for (const ObjectRef& w : windows) all.push_back({w, 0, {}, {}, {}, false, {}});
  std::size_t levelBegin = 0;
  while (levelBegin < all.size()) {
    const std::size_t levelEnd = all.size();
    std::vector<MethodCall> calls;
    for (std::size_t i = levelBegin; i < levelEnd; ++i) {
      calls.push_back(method(all[i].ref, kAccessible, "GetRole"));
      calls.push_back(property(all[i].ref, kAccessible, "Name"));
      calls.push_back(method(all[i].ref, kAccessible, "GetState"));
    }
    const auto facts = bus.callAll(calls);
    // Children are asked in a second batch, once the roles and states are known: a table's own
    // children are its cells (thousands in a large folder), which its synthesised rows stand
    // in for, and what is not visible is not shown, so neither is its subtree.
    std::vector<std::size_t> parents;
    calls.clear();
    for (std::size_t i = levelBegin; i < levelEnd; ++i) {
      Fetched& f = all[i];
      const std::size_t k = 3 * (i - levelBegin);
      f.facts.role = replyUint(facts[k]);
      f.facts.name = replyText(facts[k + 1]);
      f.facts.states = replyStates(facts[k + 2]);
      const bool table = f.facts.role && hasSynthesisedRows(*f.facts.role);
      const bool hidden = f.facts.states && !hasState(*f.facts.states, kStateVisible);
      if (f.depth < kPrefetchDepth && !table && !hidden) {
        parents.push_back(i);
        calls.push_back(method(f.ref, kAccessible, "GetChildren"));
      }
    }
    const auto childReplies = bus.callAll(calls);
    for (std::size_t k = 0; k < parents.size(); ++k) {
      if (!childReplies[k]) continue;
      const std::size_t i = parents[k];
      const std::vector<ObjectRef> refs = replyReferences(childReplies[k]);
      const int depth = all[i].depth + 1;
      std::vector<std::optional<std::size_t>> index;
      for (const ObjectRef& c : refs) {  // appending to `all` moves its members, so none is held
        if (all.size() < kPrefetchElements) {
          index.push_back(all.size());
          all.push_back({c, depth, {}, {}, {}, false, {}});
        } else {
          index.push_back(std::nullopt);
        }
      }
      all[i].childrenRead = true;
      all[i].childRefs = refs;
      all[i].childIndex = std::move(index);
    }
    levelBegin = levelEnd;
  }
  // Every element's facts are in: which children are shown, and the path bar's folder.
  for (Fetched& f : all) {
    if (!f.childrenRead) continue;
    std::vector<const Facts*> children;
    for (const auto& index : f.childIndex) children.push_back(index ? &all[*index].facts : nullptr);
    ChildShape shape = shapeOf(children, tree->home);
    if (shape.url) all[*f.childIndex[shape.url->first]].facts.url = std::move(shape.url->second);
    f.shown = std::move(shape.shown);
  }
  // Children come after their parent in `all`, so building from the back finds them built.
  std::vector<Element> built(all.size());
  for (std::size_t i = all.size(); i-- > 0;) {
    Fetched& f = all[i];
    if (f.childrenRead) {
      std::vector<Element> children;
      for (std::size_t k = 0; k < f.childRefs.size(); ++k) {
        if (!f.shown[k]) continue;
        children.push_back(f.childIndex[k] ? built[*f.childIndex[k]] : liveNode(tree, f.childRefs[k]));
      }
      f.facts.children = std::move(children);
    }
    built[i] = std::make_shared<AccessibleNode>(tree, f.ref, std::move(f.facts));
  }
  built.resize(windows.size());
  return built;
}

// The trees under `windows` from the application's bulk description, when it offers one
// (org.a11y.atspi.Cache.GetItems: GTK 4, Qt; GTK 3's bridge in at-spi2-core 2.46 answers
// with an error). One call for the whole application; objects the cache leaves out are read
// when asked for. Object paths are taken as paths of the application's own connection.
std::optional<std::vector<Element>> cachedTrees(const TreeRef& tree, const ObjectRef& root,
                                                const std::vector<ObjectRef>& windows) {
  const auto items = replyCacheItems(
      tree->bus->call({root.bus, "/org/a11y/atspi/cache", "org.a11y.atspi.Cache", "GetItems", {}}));
  if (!items || items->empty()) return std::nullopt;
  std::map<std::string, std::size_t> byPath;
  for (std::size_t i = 0; i < items->size(); ++i) byPath.try_emplace((*items)[i].object.path, i);
  std::map<std::string, std::vector<std::size_t>> children;
  for (auto& [path, list] : completeChildren(*items)) children.emplace(path, std::move(list));

  const auto factsOf = [&](const std::string& path) -> std::optional<Facts> {
    const auto item = byPath.find(path);
    if (item == byPath.end()) return std::nullopt;
    const CacheItem& c = (*items)[item->second];
    return Facts{c.role, c.name, c.states, {}, {}};
  };
  std::size_t budget = kPrefetchElements;
  std::function<Element(const std::string&, int, std::optional<Facts>)> build =
      [&](const std::string& path, int depth, std::optional<Facts> cached) -> Element {
    Facts facts;
    if (cached && budget > 0) {
      --budget;
      facts = std::move(*cached);
      const auto list = children.find(path);
      const bool hidden = facts.states && !hasState(*facts.states, kStateVisible);
      if (list != children.end() && depth < kPrefetchDepth && !hidden) {
        std::vector<std::optional<Facts>> childFacts;
        std::vector<const Facts*> pointers;
        for (std::size_t i : list->second) childFacts.push_back(factsOf((*items)[i].object.path));
        for (const auto& f : childFacts) pointers.push_back(f ? &*f : nullptr);
        ChildShape shape = shapeOf(pointers, tree->home);
        if (shape.url) childFacts[shape.url->first]->url = std::move(shape.url->second);
        std::vector<Element> built;
        for (std::size_t k = 0; k < list->second.size(); ++k) {
          if (!shape.shown[k]) continue;
          built.push_back(build((*items)[list->second[k]].object.path, depth + 1, std::move(childFacts[k])));
        }
        facts.children = std::move(built);
      }
    }
    return std::make_shared<AccessibleNode>(tree, ObjectRef{root.bus, path}, std::move(facts));
  };
  std::vector<Element> out;
  for (const ObjectRef& w : windows) out.push_back(build(w.path, 0, factsOf(w.path)));
  return out;
}

class ApplicationNode final : public ElementNode {
 public:
  ApplicationNode(std::shared_ptr<const Bus> bus, std::int32_t pid, ReadMode mode, DesktopFacts desktop)
      : tree_(std::make_shared<const Tree>(Tree{std::move(bus), std::move(desktop.homeFolder)})),
        pid_(pid),
        mode_(mode),
        stackedTitles_(std::move(desktop.windowTitlesFrontToBack)) {}

  AttributeRead copyAttribute(std::string_view name) const override {
    if (!tree_->bus) return failed();
    const auto r = root();
    if (!r) return failed();
    if (name == "AXRole") return text("AXApplication");
    if (name == "AXTitle") {
      auto n = replyText(tree_->bus->call(property(*r, kAccessible, "Name")));
      return n ? text(std::move(*n)) : failed();
    }
    if (name == "AXWindows" || name == "AXChildren") return elementList(windows(*r));
    return failed(kErrorAttributeUnsupported);
  }

 private:
  // The application's root object: the registry's child whose connection belongs to pid.
  std::optional<ObjectRef> root() const {
    if (!resolved_) {
      resolved_ = true;
      const auto apps = replyReferences(tree_->bus->call(method({kRegistry, kRootPath}, kAccessible, "GetChildren")));
      std::vector<MethodCall> calls;
      for (const ObjectRef& a : apps) {
        calls.push_back({"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "GetConnectionUnixProcessID", {CallArgument::of(a.bus)}});
      }
      const auto pids = tree_->bus->callAll(calls);
      for (std::size_t i = 0; i < apps.size(); ++i) {
        if (replyInteger(pids[i]) == pid_) {
          root_ = apps[i];
          break;
        }
      }
    }
    return root_;
  }

  // The application's top-level windows that are showing, front first; a toolkit keeps
  // hidden dialogs among them, which are not on screen.
  std::vector<Element> windows(const ObjectRef& root) const {
    const Bus& bus = *tree_->bus;
    const auto all = replyReferences(bus.call(method(root, kAccessible, "GetChildren")));
    std::vector<MethodCall> calls;
    for (const ObjectRef& w : all) {
      calls.push_back(method(w, kAccessible, "GetState"));
      calls.push_back(property(w, kAccessible, "Name"));
    }
    const auto replies = bus.callAll(calls);
    std::vector<ObjectRef> showing;
    std::vector<Frame> frames;
    for (std::size_t i = 0; i < all.size(); ++i) {
      const auto states = replyStates(replies[2 * i]);
      if (!states || !hasState(*states, kStateShowing)) continue;
      showing.push_back(all[i]);
      frames.push_back({replyText(replies[2 * i + 1]).value_or(""), *states});
    }
    std::vector<std::string> stacked;
    if (frames.size() > 1 && stackedTitles_) stacked = stackedTitles_(pid_);
    std::vector<ObjectRef> ordered;
    for (std::size_t i : frontFirst(frames, stacked)) ordered.push_back(showing[i]);
    if (mode_ == ReadMode::prefetch) {
      if (auto cached = cachedTrees(tree_, root, ordered)) return std::move(*cached);
      return prefetchedTrees(tree_, ordered);
    }
    return liveNodes(tree_, std::move(ordered));
  }

  TreeRef tree_;
  std::int32_t pid_;
  ReadMode mode_;
  std::function<std::vector<std::string>(std::int32_t)> stackedTitles_;
  mutable bool resolved_ = false;
  mutable std::optional<ObjectRef> root_;
};

}  // namespace

Element applicationElement(std::shared_ptr<const Bus> bus, std::int32_t pid, ReadMode mode, DesktopFacts desktop) {
  return std::make_shared<ApplicationNode>(std::move(bus), pid, mode, std::move(desktop));
}

}  // namespace ozmi::probe::atspi
