#include "stdin_lines.h"

#include <cstdint>

#include "utf8.h"

namespace ozmi::devicekey {

namespace {

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

std::vector<std::string> stdinLines(std::string_view input, std::size_t keep) {
  // Line feeds, carriage returns and the first bytes of blanks are never continuation bytes, so
  // no ill-formed sequence reaches across them: splitting and trimming the bytes gives what
  // splitting and trimming the repaired text would, and only the kept text is copied.
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= input.size() && lines.size() < keep) {
    std::size_t end = start;
    while (end < input.size() && !(input[end] == '\n' && (end == 0 || input[end - 1] != '\r'))) ++end;
    if (end > start) lines.push_back(utf8::repair(trimBlanks(input.substr(start, end - start))));
    start = end + 1;
  }
  return lines;
}

}  // namespace ozmi::devicekey
