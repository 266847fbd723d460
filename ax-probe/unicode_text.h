// The two Unicode questions the panel rules ask of titles and paths, answered by the platform:
// utf8proc's tables on Linux (unicode_text_linux.cpp; Unicode 15 in utf8proc 2.8), CoreFoundation
// on macOS (unicode_text_mac.cpp), so that the probe agrees with the system it runs on. On both,
// bytes that are not UTF-8 are kept and counted one by one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ozmi::probe {

// Lower-cased code point by code point with the Unicode mappings that need no context:
// "ÖFFNEN" gives "öffnen", and "İ" gives "i" followed by a combining dot above.
std::string lowercased(std::string_view text);

// The number of user-perceived characters (extended grapheme clusters): "e" followed by a
// combining acute accent is one, as is a flag made of two regional indicators.
std::size_t characterCount(std::string_view text);

}  // namespace ozmi::probe
