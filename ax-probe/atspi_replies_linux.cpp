#include "atspi_replies_linux.h"

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

}  // namespace ozmi::probe::atspi
