#include "utf8.h"

#include <cstdint>

namespace ozmi::utf8 {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed sequence at the start of `s` (not empty), or 0 with `subpart` set
// to the length of the maximal ill-formed subpart there (at least 1).
std::size_t sequenceLength(std::string_view s, std::size_t& subpart) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // range of the first continuation byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    subpart = 1;  // a continuation byte, C0, C1 or F5..FF: never the start of a sequence
    return 0;
  }
  std::size_t i = 1;
  for (; i < length && i < s.size(); ++i) {
    const std::uint8_t b = byte(i);
    const bool fits = i == 1 ? (b >= low && b <= high) : (b >= 0x80 && b <= 0xBF);
    if (!fits) break;
  }
  if (i == length) return length;
  subpart = i;
  return 0;
}

// The end of the run of ASCII bytes from `pos`: nearly all text is ASCII, taken in one piece.
std::size_t asciiRunEnd(std::string_view text, std::size_t pos) {
  while (pos < text.size() && static_cast<std::uint8_t>(text[pos]) < 0x80) ++pos;
  return pos;
}

}  // namespace

std::size_t wellFormedPrefix(std::string_view text) {
  std::size_t pos = 0;
  while ((pos = asciiRunEnd(text, pos)) < text.size()) {
    std::size_t subpart = 0;
    const std::size_t length = sequenceLength(text.substr(pos), subpart);
    if (length == 0) return pos;
    pos += length;
  }
  return pos;
}

bool isValid(std::string_view text) { return wellFormedPrefix(text) == text.size(); }

std::string repair(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t ascii = asciiRunEnd(text, pos);
    if (ascii > pos) {
      out.append(text.substr(pos, ascii - pos));
      pos = ascii;
      continue;
    }
    std::size_t subpart = 0;
    const std::size_t length = sequenceLength(text.substr(pos), subpart);
    if (length > 0) {
      out.append(text.substr(pos, length));
      pos += length;
    } else {
      out.append(kReplacement);
      pos += subpart;
    }
  }
  return out;
}

}  // namespace ozmi::utf8
