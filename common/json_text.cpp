#include "json_text.h"

#include <cstdio>

namespace ozmi::json {

bool isValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int extra = 0;
    std::uint32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;  // a continuation byte first, an overlong lead (C0, C1) or F5..FF
    }
    if (end - p <= extra) return false;
    for (int i = 1; i <= extra; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000)) return false;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    if (cp > 0x10FFFF) return false;
    p += extra + 1;
  }
  return true;
}

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
