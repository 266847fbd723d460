// Standard input of "sign" and "public" as the line list: line 1 the key blob, line 2 the
// message, both standard base64.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace ozmi::devicekey {

// The lines of `input`, the whole of standard input:
// - ill-formed UTF-8 becomes U+FFFD (one per maximal ill-formed subpart); a byte-order mark stays;
// - split at every line feed not directly preceded by a carriage return, so CR LF never splits
//   and no other terminator does; empty pieces are dropped;
// - each piece then loses tabs and Unicode space separators (Zs) at both ends, so a line of
//   blanks stays as an empty entry. CR, VT, FF, U+0085, U+2028 and U+2029 are kept.
// At most `keep` entries come back: the commands look at the first two only, and the rest of a
// huge input then costs no copy.
std::vector<std::string> stdinLines(std::string_view input,
                                    std::size_t keep = std::numeric_limits<std::size_t>::max());

}  // namespace ozmi::devicekey
