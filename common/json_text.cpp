#include "json_text.h"

#include <cstdio>

namespace ozmi::json {

namespace {

// Stands in for the text to learn its size, so that the text is then written into a buffer of
// exactly that size: a buffer that grows holds the text twice over for a moment, and for a
// report of tens of megabytes that moment is the run's peak.
struct ByteCount {
  std::size_t size = 0;
  void push_back(char) { ++size; }
  ByteCount& operator+=(std::string_view text) {
    size += text.size();
    return *this;
  }
};

template <typename Out>
bool appendString(Out& out, std::string_view text) {
  if (!isValidUtf8(text)) return false;
  out.push_back('"');
  for (const char ch : text) {
    switch (ch) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '/': out += "\\/"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(ch) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(ch));
          out += escaped;
        } else {
          out.push_back(ch);
        }
    }
  }
  out.push_back('"');
  return true;
}

template <typename Out>
bool append(Out& out, const Value& value) {
  return std::visit(
      [&out](const auto& v) -> bool {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, Null>) {
          out += "null";
        } else if constexpr (std::is_same_v<T, bool>) {
          out += v ? "true" : "false";
        } else if constexpr (std::is_same_v<T, std::int64_t>) {
          out += std::to_string(v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return appendString(out, v);
        } else if constexpr (std::is_same_v<T, Written>) {
          out += v.text;
        } else if constexpr (std::is_same_v<T, Value::Array>) {
          out.push_back('[');
          for (std::size_t i = 0; i < v.size(); ++i) {
            if (i > 0) out.push_back(',');
            if (!append(out, v[i])) return false;
          }
          out.push_back(']');
        } else {
          out.push_back('{');
          for (std::size_t i = 0; i < v.size(); ++i) {
            if (i > 0) out.push_back(',');
            if (!appendString(out, v[i].key)) return false;
            out.push_back(':');
            if (!append(out, v[i].value)) return false;
          }
          out.push_back('}');
        }
        return true;
      },
      value.data);
}

std::optional<std::string> writeFollowedBy(const Value& value, std::string_view end) {
  ByteCount count;
  if (!append(count, value)) return std::nullopt;
  std::string out;
  out.reserve(count.size + end.size());
  append(out, value);
  out += end;
  return out;
}

}  // namespace

std::optional<std::string> write(const Value& value) { return writeFollowedBy(value, ""); }

std::optional<std::string> writeLine(const Value& value) { return writeFollowedBy(value, "\n"); }

Value written(Value value) {
  std::optional<std::string> text = write(value);
  if (!text) return value;
  return Written{std::move(*text)};
}

}  // namespace ozmi::json
