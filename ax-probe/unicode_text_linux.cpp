// The Unicode answers of utf8proc, linked in from its static archive.
#include "unicode_text.h"

#include <utf8proc.h>

namespace ozmi::probe {
namespace {

// Calls `each(codePoint, bytes)` for every code point of `text`; an invalid byte comes as
// code point -1 with that one byte.
template <typename Each>
void forEachCodePoint(std::string_view text, Each each) {
  const auto* p = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  auto left = static_cast<utf8proc_ssize_t>(text.size());
  while (left > 0) {
    utf8proc_int32_t cp = -1;
    utf8proc_ssize_t n = utf8proc_iterate(p, left, &cp);
    if (n <= 0) {
      n = 1;
      cp = -1;
    }
    each(cp, std::string_view(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n)));
    p += n;
    left -= n;
  }
}

}  // namespace

std::string lowercased(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  forEachCodePoint(text, [&out](utf8proc_int32_t cp, std::string_view bytes) {
    if (cp < 0) {
      out += bytes;
    } else if (cp < 0x80) {
      out.push_back(cp >= 'A' && cp <= 'Z' ? static_cast<char>(cp - 'A' + 'a') : static_cast<char>(cp));
    } else if (cp == 0x130) {
      // The one unconditional full mapping to more than one code point: "İ" lower-cases to "i"
      // and a combining dot above, so "İMPORT" does not become "import".
      out += "i\xCC\x87";
    } else {
      utf8proc_uint8_t encoded[4];
      const utf8proc_ssize_t n = utf8proc_encode_char(utf8proc_tolower(cp), encoded);
      out.append(reinterpret_cast<const char*>(encoded), static_cast<std::size_t>(n));
    }
  });
  return out;
}

std::size_t characterCount(std::string_view text) {
  std::size_t count = 0;
  utf8proc_int32_t previous = -1;
  utf8proc_int32_t state = 0;
  forEachCodePoint(text, [&](utf8proc_int32_t cp, std::string_view) {
    if (cp < 0) {
      ++count;  // a stray byte is a character of its own and breaks any cluster
      previous = -1;
      state = 0;
      return;
    }
    if (previous < 0 || utf8proc_grapheme_break_stateful(previous, cp, &state)) ++count;
    previous = cp;
  });
  return count;
}

}  // namespace ozmi::probe
