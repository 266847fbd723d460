// One attribute read is one AXUIElementCopyAttributeValue: a synchronous request to the process
// that owns the element, which waits as long as the API's default messaging timeout allows. The
// value that comes back is turned into a RawValue by its CoreFoundation type and released.
#include "ax_element_mac.h"

#include "core_foundation_mac.h"

namespace ozmi::probe {
namespace {

class MacElement final : public ElementNode {
 public:
  explicit MacElement(AXUIElementRef element) : element_(element) {}

  AttributeRead copyAttribute(std::string_view name) const override;

 private:
  cf::Owned<AXUIElementRef> element_;
};

// `value` is borrowed: whatever is kept of it (an element) is retained for its new holder.
// None when text in it does not convert to UTF-8, which makes the read a failed one rather than
// one with a shortened text.
std::optional<RawValue> convert(CFTypeRef value) {
  const CFTypeID type = CFGetTypeID(value);
  if (type == CFStringGetTypeID()) {
    std::optional<std::string> text = cf::utf8(static_cast<CFStringRef>(value));
    if (!text) return std::nullopt;
    return RawValue{std::move(*text)};
  }
  if (type == CFBooleanGetTypeID()) {
    return RawValue{CFBooleanGetValue(static_cast<CFBooleanRef>(value)) != 0};
  }
  if (type == CFNumberGetTypeID()) {
    double number = 0;
    CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberDoubleType, &number);  // nearest is enough
    return RawValue{RawValue::Number{number}};
  }
  if (type == CFArrayGetTypeID()) {
    const auto array = static_cast<CFArrayRef>(value);
    const CFIndex count = CFArrayGetCount(array);
    RawValue::Array members;
    members.reserve(static_cast<std::size_t>(count));
    for (CFIndex i = 0; i < count; ++i) {
      const CFTypeRef member = CFArrayGetValueAtIndex(array, i);
      std::optional<RawValue> converted = member ? convert(member) : std::nullopt;
      // A member that cannot be taken as it is stays in its place as "other", never as an element.
      members.push_back(converted ? std::move(*converted) : RawValue{RawValue::Other{}});
    }
    return RawValue{std::move(members)};
  }
  if (type == CFURLGetTypeID()) {
    std::optional<std::string> text = cf::absoluteString(static_cast<CFURLRef>(value));
    if (!text) return std::nullopt;
    return RawValue{RawValue::Url{std::move(*text)}};
  }
  if (type == AXUIElementGetTypeID()) {
    const auto element = static_cast<AXUIElementRef>(value);
    CFRetain(element);
    return RawValue{adoptElement(element)};
  }
  return RawValue{RawValue::Other{}};
}

AttributeRead MacElement::copyAttribute(std::string_view name) const {
  const cf::Owned<CFStringRef> attribute = cf::makeString(name);
  if (!attribute) return {kAXErrorFailure, std::nullopt};
  CFTypeRef out = nullptr;
  const AXError code = AXUIElementCopyAttributeValue(element_.get(), attribute.get(), &out);
  // Owned from here on, whatever the code: a value that comes with a failure is released too.
  const cf::Owned<CFTypeRef> value(out);
  if (code != kAXErrorSuccess) return {code, std::nullopt};
  if (!value) return {kAXErrorSuccess, std::nullopt};
  std::optional<RawValue> converted = convert(value.get());
  if (!converted) return {kAXErrorFailure, std::nullopt};
  return {kAXErrorSuccess, std::move(converted)};
}

}  // namespace

Element adoptElement(AXUIElementRef element) { return std::make_shared<const MacElement>(element); }

}  // namespace ozmi::probe
