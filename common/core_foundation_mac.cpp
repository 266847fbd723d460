#include "core_foundation_mac.h"

namespace ozmi::cf {

std::optional<std::string> utf8(CFStringRef string) {
  const CFIndex length = CFStringGetLength(string);
  const CFRange all{0, length};
  // First measure, then convert. With no loss byte the conversion stops at the first character
  // that UTF-8 cannot hold; fewer characters than the length means the text does not convert.
  CFIndex bytes = 0;
  if (CFStringGetBytes(string, all, kCFStringEncodingUTF8, 0, false, nullptr, 0, &bytes) != length) {
    return std::nullopt;
  }
  std::string out(static_cast<std::size_t>(bytes), '\0');
  CFIndex written = 0;
  const CFIndex converted = CFStringGetBytes(string, all, kCFStringEncodingUTF8, 0, false,
                                             reinterpret_cast<UInt8*>(out.data()), bytes, &written);
  if (converted != length || written != bytes) return std::nullopt;
  return out;
}

Owned<CFStringRef> makeString(std::string_view text) {
  return Owned<CFStringRef>(CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(text.data()),
                                                    static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false));
}

std::optional<std::string> absoluteString(CFURLRef url) {
  const Owned<CFURLRef> absolute(CFURLCopyAbsoluteURL(url));
  if (!absolute) return std::nullopt;
  // Get rule: the string belongs to the URL.
  const CFStringRef text = CFURLGetString(absolute.get());
  if (!text) return std::nullopt;
  return utf8(text);
}

}  // namespace ozmi::cf
