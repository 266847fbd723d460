#include "json_text.h"

#include <cstdio>

namespace ozmi::json {

namespace {

bool appendString(std::string& out, std::string_view text) {
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

bool append(std::string& out, const Value& value) {
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

}  // namespace

std::optional<std::string> write(const Value& value) {
  std::string out;
  if (!append(out, value)) return std::nullopt;
  return out;
}

}  // namespace ozmi::json
