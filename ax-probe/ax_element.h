// The one platform primitive under the accessibility reads: ask an element for one attribute
// and get back the platform's result code and a typed raw value. Everything the probe
// concludes from those values (the AX operations, the panel rules) is portable code above it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ozmi::probe {

class ElementNode;

// A handle to one user-interface object of some process. Copies share the handle; the platform
// object is released when the last copy goes away.
using Element = std::shared_ptr<const ElementNode>;

// An attribute value as the platform hands it over, tagged by its type.
struct RawValue {
  struct Number {
    double value;
  };
  struct Url {
    std::string text;  // the URL's absolute text, e.g. "file:///tmp/in/a%20b.txt"
  };
  struct Other {};  // any type the probe has no use for

  using Array = std::vector<RawValue>;
  std::variant<std::string, bool, Number, Array, Url, Element, Other> data;
};

// What one attribute read answers. Only code 0 is success; a value that comes with any other
// code is dropped by the reader. Success may still come without a value.
struct AttributeRead {
  std::int32_t code = 0;
  std::optional<RawValue> value;
};

// Implemented by each platform layer (and by in-memory fakes in tests). One call is one
// request to the process that owns the element, so callers count them.
class ElementNode {
 public:
  virtual ~ElementNode() = default;
  virtual AttributeRead copyAttribute(std::string_view name) const = 0;
};

}  // namespace ozmi::probe
