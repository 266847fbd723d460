// The accessibility reads of the probe. Each operation makes exactly one attribute read
// (`ElementNode::copyAttribute`) and caches nothing: on the real platform every read is a
// round trip to the process that owns the element. Every failure (missing attribute, refused
// read, a process that has quit, a value of another type) folds into the operation's neutral
// result; nothing is reported, logged or retried.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ax_element.h"
#include "file_url.h"

namespace ozmi::probe::AX {

// The value of `attribute`, or none when the read fails (any non-zero code: a value handed back
// with it is dropped) or succeeds without a value.
std::optional<RawValue> copy(const Element& element, std::string_view attribute);

// A text value as text; none for a failed read, no value, or a value of another type.
std::optional<std::string> string(const Element& element, std::string_view attribute);

// A boolean value's truth; false for everything else, a number 1 included. Named `boolean`
// because `bool` is a C++ keyword.
bool boolean(const Element& element, std::string_view attribute);

// An element value as an element; none for none and for any other value.
std::optional<Element> element(const std::optional<RawValue>& value);

// "AXRole" and "AXTitle" as text; the empty text when missing, unreadable or not text.
std::string role(const Element& element);
std::string title(const Element& element);

// "AXValue" as text; none when missing, unreadable or not text, so "" stays distinct.
std::optional<std::string> value(const Element& element);

// "AXChildren" and "AXWindows", in array order; the empty list when missing, unreadable or not
// an array. A member that is not an element is dropped and the others are kept: the platform
// hands back only elements here, and one odd member should not hide its siblings.
std::vector<Element> children(const Element& element);
std::vector<Element> windows(const Element& element);

// "AXURL": a URL value as is, or text as the URL parser reads it (a bare path gives a URL
// without a scheme; text the parser rejects gives none); none for any other value.
std::optional<Url> url(const Element& element);

}  // namespace ozmi::probe::AX
