// CoreFoundation as the macOS layers use it: an owner that releases what a Create or Copy
// function handed over, and text in and out of CFString. Shared by every macOS layer so that
// each converts text by one rule.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace ozmi::cf {

struct Releaser {
  void operator()(CFTypeRef ref) const {
    if (ref) CFRelease(ref);
  }
};

// Owns one reference (create or copy rule) and releases it on every path out of its scope.
template <typename Ref>
using Owned = std::unique_ptr<std::remove_pointer_t<Ref>, Releaser>;

// The whole string as UTF-8; none when some character does not convert (an unpaired UTF-16
// surrogate), so that no text is ever cut short. Characters U+0000 are kept.
std::optional<std::string> utf8(CFStringRef string);

// A CFString of UTF-8 `text` (create rule); null when `text` is not UTF-8.
Owned<CFStringRef> makeString(std::string_view text);

// The URL's absolute string ("file:///tmp/a%20b.txt"), as UTF-8; none when it does not convert.
std::optional<std::string> absoluteString(CFURLRef url);

}  // namespace ozmi::cf
