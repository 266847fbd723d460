// The folder that a GTK 3 path bar shows, rebuilt from its buttons (see atspi_roles_linux.h).
// Pure functions over what the accessibility tree gives; whether the folder exists is asked by
// the caller.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ozmi::probe::atspi {

// The label of GTK 3's root button in the path bar (gtkpathbar.c, untranslated).
inline constexpr char kRootButtonName[] = "File System Root";

// One toggle button of a path bar, in the order of its parent's children.
struct PathBarButton {
  std::string name;
  bool checked = false;
};

struct PathBarFolder {
  std::size_t button = 0;  // the checked button, as an index into the buttons given
  std::string path;        // the folder's path, rebuilt from the buttons
};

// The folder of a row of path-bar buttons: the buttons from the base to the checked one,
// whichever end of the row the base is at (GTK 3.24 lists them deepest first). The base is the
// root button ("/") or a button labelled with the last component of `home` (`home`). None
// when the row has no base at an end, not exactly one checked button, or a component that
// cannot be one path component (empty, ".", "..", holding "/" or NUL).
std::optional<PathBarFolder> pathBarFolder(const std::vector<PathBarButton>& buttons,
                                           const std::optional<std::string>& home);

// The file URL of an absolute path: "file://" and the path with every byte outside the
// unreserved characters (RFC 3986: letters, digits, "-._~") and "/" percent-encoded.
std::string fileUrlOfPath(std::string_view path);

}  // namespace ozmi::probe::atspi
