#include "atspi_replies_linux.h"

#include <algorithm>
#include <map>
#include <string_view>

namespace ozmi::probe::atspi {

namespace {

constexpr std::string_view kNullPath = "/org/a11y/atspi/null";

const BusValue* first(const Reply& reply) {
  if (!reply || reply->empty()) return nullptr;
  return &reply->front();
}

// A variant stands for its content.
const BusValue* unwrap(const BusValue* v) {
  int depth = 0;
  while (v != nullptr && v->type == 'v' && depth++ < 64) {
    v = v->items.size() == 1 ? &v->items.front() : nullptr;
  }
  return v;
}

bool isInteger(char type) {
  return type == 'y' || type == 'n' || type == 'q' || type == 'i' || type == 'u' || type == 'x' ||
         type == 't';
}

std::optional<ObjectRef> reference(const BusValue& v) {
  if (v.type != 'r' || v.items.size() != 2) return std::nullopt;
  const BusValue& bus = v.items[0];
  const BusValue& path = v.items[1];
  if (bus.type != 's' || path.type != 'o' || bus.text.empty() || path.text == kNullPath) {
    return std::nullopt;
  }
  return ObjectRef{bus.text, path.text};
}

}  // namespace

std::optional<std::uint32_t> replyUint(const Reply& reply) {
  const BusValue* v = first(reply);
  if (v == nullptr || v->type != 'u') return std::nullopt;
  return static_cast<std::uint32_t>(v->integer);
}

std::optional<std::string> replyText(const Reply& reply) {
  const BusValue* v = unwrap(first(reply));
  if (v == nullptr || v->type != 's') return std::nullopt;
  return v->text;
}

std::optional<std::int64_t> replyInteger(const Reply& reply) {
  const BusValue* v = unwrap(first(reply));
  if (v == nullptr || !isInteger(v->type)) return std::nullopt;
  return v->integer;
}

std::vector<ObjectRef> replyReferences(const Reply& reply) {
  std::vector<ObjectRef> out;
  const BusValue* v = first(reply);
  if (v == nullptr || v->type != 'a') return out;
  for (const BusValue& item : v->items) {
    if (auto ref = reference(item)) out.push_back(std::move(*ref));
  }
  return out;
}

std::optional<ObjectRef> replyReference(const Reply& reply) {
  const BusValue* v = first(reply);
  return v == nullptr ? std::nullopt : reference(*v);
}

std::vector<std::int32_t> replyInts(const Reply& reply) {
  std::vector<std::int32_t> out;
  const BusValue* v = first(reply);
  if (v == nullptr || v->type != 'a') return out;
  for (const BusValue& item : v->items) {
    if (item.type == 'i') out.push_back(static_cast<std::int32_t>(item.integer));
  }
  return out;
}

bool replyHasState(const Reply& reply, std::uint32_t state) {
  const BusValue* v = first(reply);
  if (v == nullptr || v->type != 'a') return false;
  const std::size_t word = state / 32;
  if (word >= v->items.size() || v->items[word].type != 'u') return false;
  return (static_cast<std::uint64_t>(v->items[word].integer) >> (state % 32)) & 1u;
}

namespace {

std::uint64_t stateWords(const BusValue& array) {
  std::uint64_t states = 0;
  for (std::size_t word = 0; word < 2 && word < array.items.size(); ++word) {
    if (array.items[word].type != 'u') continue;
    states |= (static_cast<std::uint64_t>(array.items[word].integer) & 0xFFFFFFFFu) << (32 * word);
  }
  return states;
}

}  // namespace

std::optional<std::uint64_t> replyStates(const Reply& reply) {
  const BusValue* v = first(reply);
  if (v == nullptr || v->type != 'a') return std::nullopt;
  return stateWords(*v);
}

std::optional<std::vector<CacheItem>> replyCacheItems(const Reply& reply) {
  if (!reply) return std::nullopt;
  std::vector<CacheItem> out;
  const BusValue* v = first(reply);
  if (v == nullptr || v->type != 'a') return out;
  static constexpr char kShape[] = "rrriiasusa";
  for (const BusValue& item : v->items) {
    if (item.type != 'r' || item.items.size() != sizeof kShape - 1) continue;
    bool matches = true;
    for (std::size_t i = 0; i < item.items.size(); ++i) matches = matches && item.items[i].type == kShape[i];
    if (!matches) continue;
    auto object = reference(item.items[0]);
    if (!object) continue;
    const auto parent = reference(item.items[2]);
    // A parent on another connection (the registry, for the application itself) is no parent
    // within this tree.
    const bool sameTree = parent && parent->bus == object->bus;
    out.push_back({std::move(*object), sameTree ? parent->path : std::string(),
                   static_cast<std::int32_t>(item.items[3].integer), static_cast<std::int32_t>(item.items[4].integer),
                   static_cast<std::uint32_t>(item.items[7].integer), item.items[6].text,
                   stateWords(item.items[9])});
  }
  return out;
}

std::vector<std::pair<std::string, std::vector<std::size_t>>> completeChildren(
    const std::vector<CacheItem>& items) {
  std::map<std::string, std::int64_t> expected;
  for (const CacheItem& item : items) expected.try_emplace(item.object.path, item.childCount);
  std::map<std::string, std::vector<std::size_t>> children;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!items[i].parentPath.empty()) children[items[i].parentPath].push_back(i);
  }
  std::vector<std::pair<std::string, std::vector<std::size_t>>> out;
  for (auto& [path, list] : children) {
    const auto count = expected.find(path);
    if (count == expected.end() || count->second != static_cast<std::int64_t>(list.size())) continue;
    std::stable_sort(list.begin(), list.end(), [&](std::size_t a, std::size_t b) {
      return items[a].indexInParent < items[b].indexInParent;
    });
    out.emplace_back(path, std::move(list));
  }
  // Objects with no children at all are complete too.
  for (const auto& [path, count] : expected) {
    if (count == 0 && children.find(path) == children.end()) out.emplace_back(path, std::vector<std::size_t>{});
  }
  return out;
}

}  // namespace ozmi::probe::atspi
