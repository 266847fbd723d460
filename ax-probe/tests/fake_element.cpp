#include "fake_element.h"

namespace ozmi::probe::testing {

FakeElement& FakeElement::answer(std::string_view attribute, std::int32_t code, std::optional<RawValue> value) {
  if (attribute == "AXChildren") hasChildren_ = false;
  for (Answer& a : answers_) {
    if (a.attribute == attribute) {
      a.read = AttributeRead{code, std::move(value)};
      return *this;
    }
  }
  answers_.push_back({std::string(attribute), AttributeRead{code, std::move(value)}});
  return *this;
}

FakeElement& FakeElement::set(std::string_view attribute, RawValue value) {
  return answer(attribute, 0, std::move(value));
}

FakeElement& FakeElement::children(const std::vector<std::shared_ptr<FakeElement>>& children) {
  hasChildren_ = true;
  children_.assign(children.begin(), children.end());
  return *this;
}

FakeElement& FakeElement::addChild(const std::shared_ptr<FakeElement>& child) {
  hasChildren_ = true;
  children_.push_back(child);
  return *this;
}

AttributeRead FakeElement::copyAttribute(std::string_view name) const {
  ++log_->count;
  if (log_->keep) log_->reads.push_back({label_, std::string(name)});
  if (hasChildren_ && name == "AXChildren") {
    RawValue::Array members;
    members.reserve(children_.size());
    for (const auto& weak : children_) members.emplace_back().data.emplace<Element>(weak.lock());
    return AttributeRead{0, RawValue{std::move(members)}};
  }
  for (const Answer& a : answers_) {
    if (a.attribute == name) return a.read;
  }
  return AttributeRead{-25212, std::nullopt};  // kAXErrorNoValue: the attribute is not there
}

std::shared_ptr<FakeElement> FakeTree::add(std::string label) {
  if (label.empty()) label = "#" + std::to_string(elements_.size());
  elements_.push_back(std::make_shared<FakeElement>(std::move(label), log_));
  return elements_.back();
}

std::shared_ptr<FakeElement> FakeTree::addChild(const std::shared_ptr<FakeElement>& parent, std::string role,
                                                std::string label) {
  auto child = add(std::move(label));
  child->role(std::move(role));
  parent->addChild(child);
  return child;
}

std::vector<std::string> FakeTree::readsOf(std::string_view label) const {
  std::vector<std::string> out;
  for (const FakeRead& r : log_->reads) {
    if (r.element == label) out.push_back(r.attribute);
  }
  return out;
}

}  // namespace ozmi::probe::testing
