#include "ax.h"

#include <type_traits>

#include "file_system.h"

namespace ozmi::probe::AX {
namespace {

std::vector<Element> elementList(const Element& element, std::string_view attribute) {
  std::optional<RawValue> raw = copy(element, attribute);
  std::vector<Element> out;
  if (!raw) return out;
  auto* members = std::get_if<RawValue::Array>(&raw->data);
  if (!members) return out;
  out.reserve(members->size());
  for (RawValue& member : *members) {
    if (auto* e = std::get_if<Element>(&member.data); e && *e) out.push_back(std::move(*e));
  }
  return out;
}

}  // namespace

std::optional<RawValue> copy(const Element& element, std::string_view attribute) {
  if (!element) return std::nullopt;
  AttributeRead read = element->copyAttribute(attribute);
  if (read.code != 0) return std::nullopt;
  return std::move(read.value);
}

std::optional<std::string> string(const Element& element, std::string_view attribute) {
  std::optional<RawValue> raw = copy(element, attribute);
  if (!raw) return std::nullopt;
  if (auto* text = std::get_if<std::string>(&raw->data)) return std::move(*text);
  return std::nullopt;
}

bool boolean(const Element& element, std::string_view attribute) {
  std::optional<RawValue> raw = copy(element, attribute);
  if (!raw) return false;
  const bool* truth = std::get_if<bool>(&raw->data);
  return truth && *truth;
}

std::optional<Element> element(const std::optional<RawValue>& value) {
  if (!value) return std::nullopt;
  const Element* e = std::get_if<Element>(&value->data);
  if (!e || !*e) return std::nullopt;
  return *e;
}

std::string role(const Element& element) { return string(element, "AXRole").value_or(std::string()); }

std::string title(const Element& element) { return string(element, "AXTitle").value_or(std::string()); }

std::optional<std::string> value(const Element& element) { return string(element, "AXValue"); }

std::vector<Element> children(const Element& element) { return elementList(element, "AXChildren"); }

std::vector<Element> windows(const Element& element) { return elementList(element, "AXWindows"); }

std::optional<Url> url(const Element& element) {
  std::optional<RawValue> raw = copy(element, "AXURL");
  if (!raw) return std::nullopt;
  if (auto* u = std::get_if<RawValue::Url>(&raw->data)) return Url(std::move(u->text));
  if (auto* text = std::get_if<std::string>(&raw->data)) return urlFromText(*text);
  return std::nullopt;
}

}  // namespace ozmi::probe::AX
