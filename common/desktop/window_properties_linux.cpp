#include "window_properties_linux.h"

#include <algorithm>

namespace ozmi::desktop {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence at the start of `s`, or 0 (RFC 3629, table 3-7 of
// the Unicode standard: no overlongs, no surrogates, nothing above U+10FFFF).
std::size_t validSequenceLength(std::string_view s) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(0);
  if (c < 0x80) return 1;
  std::size_t n = 0;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  if (b(1) < lo || b(1) > hi) return 0;
  for (std::size_t i = 2; i < n; ++i) {
    if (b(i) < 0x80 || b(i) > 0xBF) return 0;
  }
  return n;
}

}  // namespace

std::string repairUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    const std::size_t n = validSequenceLength(bytes);
    if (n == 0) {
      out += kReplacement;
      bytes.remove_prefix(1);
    } else {
      out.append(bytes.substr(0, n));
      bytes.remove_prefix(n);
    }
  }
  return out;
}

std::string latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::optional<std::string> processNameFromComm(std::string_view contents) {
  if (const auto end = contents.find('\n'); end != std::string_view::npos) {
    contents = contents.substr(0, end);
  }
  if (contents.empty()) return std::nullopt;
  return repairUtf8(contents);
}

std::optional<WmClass> parseWmClass(std::string_view bytes) {
  const auto first = bytes.find('\0');
  if (first == std::string_view::npos) return std::nullopt;
  std::string_view rest = bytes.substr(first + 1);
  // Some clients leave out the final NUL; the class then runs to the end of the value.
  if (const auto second = rest.find('\0'); second != std::string_view::npos) {
    rest = rest.substr(0, second);
  }
  return WmClass{latin1ToUtf8(bytes.substr(0, first)), latin1ToUtf8(rest)};
}

std::optional<std::int32_t> windowLayer(const WindowHints& hints) {
  const auto has = [](const std::vector<std::string>& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
  };
  // _NET_WM_WINDOW_TYPE lists types in order of preference; the first one the list knows wins.
  for (const std::string& type : hints.types) {
    if (type == "_NET_WM_WINDOW_TYPE_DESKTOP") return std::nullopt;
    if (type == "_NET_WM_WINDOW_TYPE_DOCK") return 20;
    if (type == "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU" || type == "_NET_WM_WINDOW_TYPE_POPUP_MENU" ||
        type == "_NET_WM_WINDOW_TYPE_TOOLTIP" || type == "_NET_WM_WINDOW_TYPE_NOTIFICATION" ||
        type == "_NET_WM_WINDOW_TYPE_COMBO" || type == "_NET_WM_WINDOW_TYPE_DND" ||
        type == "_NET_WM_WINDOW_TYPE_MENU") {
      return 101;
    }
    if (type == "_NET_WM_WINDOW_TYPE_NORMAL" || type == "_NET_WM_WINDOW_TYPE_DIALOG" ||
        type == "_NET_WM_WINDOW_TYPE_UTILITY" || type == "_NET_WM_WINDOW_TYPE_TOOLBAR" ||
        type == "_NET_WM_WINDOW_TYPE_SPLASH") {
      break;
    }
  }
  if (hints.overrideRedirect) return 101;
  if (has(hints.states, "_NET_WM_STATE_ABOVE")) return 3;
  return 0;
}

}  // namespace ozmi::desktop
