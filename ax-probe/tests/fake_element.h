// An in-memory element tree for tests, benchmarks and fuzzing: attributes set by plain setters,
// every read counted and, when asked, logged. Children are held weakly, so a tree may be cyclic
// without leaking; the FakeTree owns every element it made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ax_element.h"

namespace ozmi::probe::testing {

// One attribute read as the element saw it.
struct FakeRead {
  std::string element;    // the label given when the element was made
  std::string attribute;
  bool operator==(const FakeRead&) const = default;
};

struct FakeReadLog {
  std::size_t count = 0;
  bool keep = true;  // off in benchmarks: count only
  std::vector<FakeRead> reads;
};

class FakeElement final : public ElementNode {
 public:
  FakeElement(std::string label, std::shared_ptr<FakeReadLog> log) : label_(std::move(label)), log_(std::move(log)) {}

  // A successful read that hands back `value`.
  FakeElement& set(std::string_view attribute, RawValue value);
  // A read that answers `code` and hands back `value`: a failure when `code` is not 0, a
  // success without a value when `code` is 0 and `value` is none.
  FakeElement& answer(std::string_view attribute, std::int32_t code, std::optional<RawValue> value);
  FakeElement& role(std::string role) { return set("AXRole", RawValue{std::move(role)}); }
  FakeElement& title(std::string title) { return set("AXTitle", RawValue{std::move(title)}); }
  FakeElement& value(std::string value) { return set("AXValue", RawValue{std::move(value)}); }
  FakeElement& url(std::string text) { return set("AXURL", RawValue{RawValue::Url{std::move(text)}}); }
  FakeElement& selected(bool on) { return set("AXSelected", RawValue{on}); }
  // "AXChildren" as an array of these elements, in order (repeats and cycles allowed).
  FakeElement& children(const std::vector<std::shared_ptr<FakeElement>>& children);
  FakeElement& addChild(const std::shared_ptr<FakeElement>& child);

  const std::string& label() const { return label_; }
  AttributeRead copyAttribute(std::string_view name) const override;

 private:
  struct Answer {
    std::string attribute;
    AttributeRead read;
  };
  std::string label_;
  std::shared_ptr<FakeReadLog> log_;
  std::vector<Answer> answers_;
  bool hasChildren_ = false;
  std::vector<std::weak_ptr<FakeElement>> children_;
};

class FakeTree {
 public:
  FakeTree() : log_(std::make_shared<FakeReadLog>()) {}

  std::shared_ptr<FakeElement> add(std::string label = {});
  // A new element with this role, added as the last child of `parent`.
  std::shared_ptr<FakeElement> addChild(const std::shared_ptr<FakeElement>& parent, std::string role,
                                        std::string label = {});

  std::size_t readCount() const { return log_->count; }
  const std::vector<FakeRead>& reads() const { return log_->reads; }
  // The attributes read of one element, in order.
  std::vector<std::string> readsOf(std::string_view label) const;
  void keepReads(bool keep) { log_->keep = keep; }
  void clearReads() {
    log_->count = 0;
    log_->reads.clear();
  }
  const std::vector<std::shared_ptr<FakeElement>>& elements() const { return elements_; }

 private:
  std::shared_ptr<FakeReadLog> log_;
  std::vector<std::shared_ptr<FakeElement>> elements_;
};

}  // namespace ozmi::probe::testing
