#include <sys/stat.h>

#include "file_system.h"

namespace ozmi::probe {

// Linux has no URL parser of its own; the portable RFC 3986 one stands in for it.
std::optional<Url> urlFromText(std::string_view text) { return parseUrl(text); }

// lstat, not stat: the macOS query (the URL resource value "is directory") describes a final
// symbolic link itself rather than what it points to, so a link to a folder answers false there
// too. Links earlier in the path are followed by both.
std::optional<bool> isDirectory(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return std::nullopt;
  return S_ISDIR(info.st_mode);
}

}  // namespace ozmi::probe
