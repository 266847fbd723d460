#include "atspi_path_bar_linux.h"

#include <algorithm>

namespace ozmi::probe::atspi {

namespace {

bool isComponent(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

std::string_view lastComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The path that a base button stands for, or none when it is no base.
std::optional<std::string> basePath(const PathBarButton& button, const std::optional<std::string>& home) {
  if (button.name == kRootButtonName) return std::string("/");
  if (home && home->starts_with('/') && isComponent(button.name) && lastComponent(*home) == button.name) {
    return *home;
  }
  return std::nullopt;
}

}  // namespace

std::optional<PathBarFolder> pathBarFolder(const std::vector<PathBarButton>& buttons,
                                           const std::optional<std::string>& home) {
  if (buttons.empty()) return std::nullopt;
  if (std::count_if(buttons.begin(), buttons.end(), [](const PathBarButton& b) { return b.checked; }) != 1) {
    return std::nullopt;
  }
  // Base to leaf: the root button decides the direction where there is one, since a home
  // folder's name may also stand deeper in the path.
  std::vector<std::size_t> order(buttons.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  const bool rootFirst = buttons.front().name == kRootButtonName;
  const bool rootLast = buttons.back().name == kRootButtonName;
  const bool reversed = rootLast || (!rootFirst && !basePath(buttons.front(), home) && basePath(buttons.back(), home));
  if (reversed) std::reverse(order.begin(), order.end());
  auto path = basePath(buttons[order.front()], home);
  if (!path) return std::nullopt;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const PathBarButton& b = buttons[order[k]];
    if (k > 0) {
      if (!isComponent(b.name)) return std::nullopt;
      if (!path->ends_with('/')) *path += '/';
      *path += b.name;
    }
    if (b.checked) return PathBarFolder{order[k], std::move(*path)};
  }
  return std::nullopt;
}

std::string fileUrlOfPath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "file://";
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                       c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    }
  }
  return out;
}

}  // namespace ozmi::probe::atspi
