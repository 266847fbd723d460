// The JSON text that every program writes: compact, "/" escaped as "\/", non-ASCII
// characters as raw UTF-8, integers in decimal. The byte form is the programs' interface
// with the host, so it is written by hand here rather than left to a library's defaults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "utf8.h"

namespace ozmi::json {

struct Null {};
struct Member;

// A value already in its compact text, as `write` gave it: written as it stands. It takes a
// fraction of a tree's memory, for values that are only written and never read back.
struct Written {
  std::string text;
};

// One JSON value. Objects keep their members in the order given: each program decides its
// own key order (sorted, table order) when it builds the object.
struct Value {
  using Array = std::vector<Value>;
  using Object = std::vector<Member>;

  std::variant<Null, bool, std::int64_t, std::string, Array, Object, Written> data;

  // Defined below, once Member is complete: the variant cannot be built from an incomplete one.
  Value();
  Value(Null);
  Value(bool b);
  Value(int i);
  Value(std::int64_t i);
  Value(const char* s);
  Value(std::string s);
  Value(Array a);
  Value(Object o);
  Value(Written w);
};

struct Member {
  std::string key;
  Value value;
};

inline Value::Value() = default;
inline Value::Value(Null) {}
inline Value::Value(bool b) : data(b) {}
inline Value::Value(int i) : data(static_cast<std::int64_t>(i)) {}
inline Value::Value(std::int64_t i) : data(i) {}
inline Value::Value(const char* s) : data(std::string(s)) {}
inline Value::Value(std::string s) : data(std::move(s)) {}
inline Value::Value(Array a) : data(std::move(a)) {}
inline Value::Value(Object o) : data(std::move(o)) {}
inline Value::Value(Written w) : data(std::move(w)) {}

// An object of `members`, moved in. An object built from a braced list copies each member,
// whole subtrees included, so for a moment a large report would be held twice.
template <std::size_t N>
Value::Object objectOf(Member (&&members)[N]) {
  return Value::Object(std::make_move_iterator(members), std::make_move_iterator(members + N));
}

// True when `text` has a JSON string form: when it is well-formed UTF-8.
inline bool isValidUtf8(std::string_view text) { return utf8::isValid(text); }

// The compact text of `value`, without a line feed. Nothing when a string or key is not
// valid UTF-8: such text has no faithful JSON form, and each program has its own fallback line.
std::optional<std::string> write(const Value& value);

// The same text followed by one line feed, in one buffer: the reply line as it is sent.
std::optional<std::string> writeLine(const Value& value);

// `value` as a `Written` one, whose bytes in any enclosing value are those `value` itself
// would give; `value` unchanged when it has no text, so that writing still fails where it would.
Value written(Value value);

}  // namespace ozmi::json
