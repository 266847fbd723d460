// Standard input as the tool reads it, and every line through the strict decoder: no crash, the
// lines are what a plain reading of the rules gives (repair the whole text, split, drop, trim by
// code points), and whatever decodes is exactly what the encoder writes for those bytes.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base64.h"
#include "stdin_lines.h"
#include "utf8.h"

namespace {

using namespace ozmi::devicekey;

bool isBlank(char32_t c) {
  return c == 0x09 || c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F ||
         c == 0x205F || c == 0x3000;
}

// Code points of well-formed UTF-8 with the byte offset where each starts.
std::vector<std::pair<char32_t, std::size_t>> codePoints(std::string_view text) {
  std::vector<std::pair<char32_t, std::size_t>> out;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<std::uint8_t>(text[i]);
    const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t c = n == 1 ? b : b & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<std::uint8_t>(text[i + k]) & 0x3F);
    out.emplace_back(c, i);
    i += n;
  }
  return out;
}

std::string trimmed(std::string_view text) {
  const auto points = codePoints(text);
  std::size_t first = 0, last = points.size();
  while (first < last && isBlank(points[first].first)) ++first;
  while (last > first && isBlank(points[last - 1].first)) --last;
  const std::size_t begin = first < points.size() ? points[first].second : text.size();
  const std::size_t end = last < points.size() ? points[last].second : text.size();
  return std::string(text.substr(begin, end - begin));
}

std::vector<std::string> referenceLines(std::string_view input) {
  const std::string text = ozmi::utf8::repair(input);
  std::vector<std::string> lines;
  std::string piece;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))) {
      if (!piece.empty()) lines.push_back(trimmed(piece));
      piece.clear();
    } else {
      piece += text[i];
    }
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto lines = stdinLines(input);
  if (lines != referenceLines(input)) std::abort();
  if (size > 0 && stdinLines(input, data[0] % 4) != std::vector(lines.begin(), lines.begin() + std::min<std::size_t>(lines.size(), data[0] % 4))) {
    std::abort();
  }
  for (const auto& line : lines) {
    if (!ozmi::utf8::isValid(line)) std::abort();
    const auto decoded = decodeBase64(line);
    if (decoded && encodeBase64(*decoded) != line) std::abort();
  }
  // The other way round: any bytes encode to text that decodes back to them, and the url form
  // is the same text with "-" "_" and no padding.
  const Bytes bytes(data, data + size);
  const std::string text = encodeBase64(bytes);
  if (decodeBase64(text) != bytes) std::abort();
  std::string url;
  for (const char c : text) {
    if (c != '=') url += c == '+' ? '-' : c == '/' ? '_' : c;
  }
  if (b64url(bytes) != url) std::abort();
  return 0;
}
