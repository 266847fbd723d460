#include "window_properties_linux.h"

#include <algorithm>

#include "utf8.h"

namespace ozmi::desktop {

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
  return utf8::repair(contents);
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
