#include "stdin_lines.h"

#include <cstdint>

namespace ozmi::devicekey {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed sequence starting at `s[0]`, or 0 with `subpart` set to the number
// of bytes of its longest well-formed prefix (at least 1), which one U+FFFD replaces.
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
    subpart = 1;
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

// Tab and the space separators of Unicode category Zs, as UTF-8.
std::size_t blankLengthAt(std::string_view text, std::size_t pos) {
  const std::string_view rest = text.substr(pos);
  if (rest.starts_with('\t') || rest.starts_with(' ')) return 1;
  if (rest.starts_with("\xC2\xA0")) return 2;  // U+00A0
  if (rest.size() < 3) return 0;
  const auto b1 = static_cast<std::uint8_t>(rest[1]), b2 = static_cast<std::uint8_t>(rest[2]);
  switch (static_cast<std::uint8_t>(rest[0])) {
    case 0xE1: return b1 == 0x9A && b2 == 0x80 ? 3 : 0;                       // U+1680
    case 0xE2:
      if (b1 == 0x80 && ((b2 >= 0x80 && b2 <= 0x8A) || b2 == 0xAF)) return 3;  // U+2000-200A, U+202F
      return b1 == 0x81 && b2 == 0x9F ? 3 : 0;                                // U+205F
    case 0xE3: return b1 == 0x80 && b2 == 0x80 ? 3 : 0;                       // U+3000
    default: return 0;
  }
}

// Length of the blank that ends `text`, if any: the blanks are 1 to 3 bytes long.
std::size_t blankLengthBefore(std::string_view text, std::size_t end) {
  for (std::size_t length = 1; length <= 3 && length <= end; ++length) {
    if (blankLengthAt(text.substr(0, end), end - length) == length) return length;
  }
  return 0;
}

std::string_view trimBlanks(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end) {
    const std::size_t n = blankLengthAt(text.substr(0, end), begin);
    if (n == 0) break;
    begin += n;
  }
  while (end > begin) {
    const std::size_t n = blankLengthBefore(text, end);
    if (n == 0) break;
    end -= n;
  }
  return text.substr(begin, end - begin);
}

}  // namespace

std::string repairUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    // Runs of ASCII, nearly all of base64 text, in one piece.
    std::size_t ascii = pos;
    while (ascii < text.size() && static_cast<std::uint8_t>(text[ascii]) < 0x80) ++ascii;
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

std::vector<std::string> stdinLines(std::string_view input, std::size_t keep) {
  // Line feeds, carriage returns and the first bytes of blanks are never continuation bytes, so
  // no ill-formed sequence reaches across them: splitting and trimming the bytes gives what
  // splitting and trimming the repaired text would, and only the kept text is copied.
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= input.size() && lines.size() < keep) {
    std::size_t end = start;
    while (end < input.size() && !(input[end] == '\n' && (end == 0 || input[end - 1] != '\r'))) ++end;
    if (end > start) lines.push_back(repairUtf8(trimBlanks(input.substr(start, end - start))));
    start = end + 1;
  }
  return lines;
}

}  // namespace ozmi::devicekey
