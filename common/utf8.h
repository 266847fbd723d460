// Well-formed UTF-8 (RFC 3629; table 3-7 of the Unicode standard): no overlong forms, no
// surrogates, nothing past U+10FFFF. Every text a program writes into its reply must pass
// isValid(); texts that come from outside and are shown anyway go through repair() first.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ozmi::utf8 {

// True when `text` is well-formed UTF-8.
bool isValid(std::string_view text);

// The length of the longest start of `text` that is well-formed UTF-8: all of it for a valid
// text, 0 when its first byte begins no well-formed sequence ("\xE2\x82" is 0, "a\xE2" is 1).
std::size_t wellFormedPrefix(std::string_view text);

// `text` with one U+FFFD in place of each maximal ill-formed subpart (the longest start of a
// well-formed sequence that does not go on, or else a single byte), the practice the Unicode
// standard recommends (section 3.9, "U+FFFD Substitution of Maximal Subparts"). Well-formed
// text comes back unchanged; "\xE2\x82" is one U+FFFD, "\xC0\xAF" two.
std::string repair(std::string_view text);

}  // namespace ozmi::utf8
