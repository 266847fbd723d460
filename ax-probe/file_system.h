// The two URL and file-system questions that the platform answers itself: what its URL parser
// makes of a text, and whether a path names a folder. One file per platform answers them
// (file_system_linux.cpp, file_system_mac.cpp).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "file_url.h"

namespace ozmi::probe {

// `text` as the platform's URL parser reads it: none when the parser rejects it; a text with a
// scheme gives that URL, a bare path a URL without a scheme.
std::optional<Url> urlFromText(std::string_view text);

// Whether something exists at `path` and is a folder. A symbolic link at the end of the path is
// not followed: a link is not a folder, whatever it points to. Only "true" makes a folder;
// "false" means the query succeeded and found something else, none that it failed (nothing
// there, no access, or a path the system cannot take, such as one holding NUL).
std::optional<bool> isDirectory(const std::string& path);

}  // namespace ozmi::probe
