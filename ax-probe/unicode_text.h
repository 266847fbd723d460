// The two Unicode questions the panel rules ask of titles and paths, answered with utf8proc's
// tables (Unicode 15 in utf8proc 2.8). Bytes that are not UTF-8 are kept and counted one by one.
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
