// Standard input as the tool reads it, and every line through the strict decoder: no crash, and
// whatever decodes is exactly what the encoder writes for those bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base64.h"
#include "stdin_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ozmi::devicekey;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  for (const auto& line : stdinLines(input)) {
    // Only a line feed after a carriage return stays inside a line; blanks are trimmed.
    for (std::size_t i = line.find('\n'); i != std::string::npos; i = line.find('\n', i + 1)) {
      if (i == 0 || line[i - 1] != '\r') std::abort();
    }
    if (!line.empty() && (line.front() == ' ' || line.front() == '\t' || line.back() == ' ' || line.back() == '\t')) {
      std::abort();
    }
    if (repairUtf8(line) != line) std::abort();  // already well-formed
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
