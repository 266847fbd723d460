// The Unicode answers of CoreFoundation, the ones that AppKit's own titles and paths get.
// CFString takes only well-formed text, so the text goes to it in its well-formed runs; each byte
// between them is kept as it is and is a character of its own, as on Linux.
//
// Where CoreFoundation may answer otherwise than utf8proc (to be checked on a Mac):
// - CFStringLowercase applies the context of Greek final sigma ("ΟΔΟΣ" gives "οδος"), which the
//   code point by code point mapping of Linux does not.
// - Apple documents a composed character sequence as a base character with the combining marks,
//   joiners and enclosing marks after it; it does not say that a CR LF pair or two regional
//   indicators (a flag) make one, which extended grapheme clusters do.
#include "unicode_text.h"

#include <CoreFoundation/CoreFoundation.h>

#include <algorithm>
#include <optional>

#include "core_foundation_mac.h"
#include "utf8.h"

namespace ozmi::probe {
namespace {

// Calls `each(part, wellFormed)` for each maximal well-formed run of `text` and for each byte
// that begins no well-formed sequence, in order.
template <typename Each>
void forEachPart(std::string_view text, Each each) {
  while (!text.empty()) {
    const std::size_t run = utf8::wellFormedPrefix(text);
    const std::size_t length = run > 0 ? run : 1;
    each(text.substr(0, length), run > 0);
    text.remove_prefix(length);
  }
}

}  // namespace

std::string lowercased(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  forEachPart(text, [&out](std::string_view part, bool wellFormed) {
    const cf::Owned<CFStringRef> source = wellFormed ? cf::makeString(part) : nullptr;
    const cf::Owned<CFMutableStringRef> lower(source ? CFStringCreateMutableCopy(kCFAllocatorDefault, 0, source.get())
                                                     : nullptr);
    if (!lower) {
      out += part;
      return;
    }
    // No locale: the mappings of no particular language. A Turkish locale would take "I" to a
    // dotless "ı", and a button's title is not in the user's language for certain.
    CFStringLowercase(lower.get(), nullptr);
    const std::optional<std::string> converted = cf::utf8(lower.get());
    out += converted ? std::string_view(*converted) : part;
  });
  return out;
}

std::size_t characterCount(std::string_view text) {
  std::size_t count = 0;
  forEachPart(text, [&count](std::string_view part, bool wellFormed) {
    const cf::Owned<CFStringRef> string = wellFormed ? cf::makeString(part) : nullptr;
    if (!string) {
      count += part.size();
      return;
    }
    // Indexes are in UTF-16 code units; each step moves past one composed character sequence.
    const CFIndex length = CFStringGetLength(string.get());
    for (CFIndex at = 0; at < length; ++count) {
      const CFRange sequence = CFStringGetRangeOfComposedCharactersAtIndex(string.get(), at);
      at = std::max(at + 1, sequence.location + sequence.length);
    }
  });
  return count;
}

}  // namespace ozmi::probe
