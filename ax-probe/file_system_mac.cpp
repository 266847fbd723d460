// CoreFoundation's URL parser and resource properties, the same that NSURL uses underneath.
#include <CoreFoundation/CoreFoundation.h>

#include "core_foundation_mac.h"
#include "file_system.h"

namespace ozmi::probe {

std::optional<Url> urlFromText(std::string_view text) {
  const cf::Owned<CFURLRef> url(CFURLCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(text.data()),
                                                     static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8,
                                                     nullptr));
  if (!url) return std::nullopt;
  std::optional<std::string> absolute = cf::absoluteString(url.get());
  if (!absolute) return std::nullopt;
  return Url(std::move(*absolute));
}

// kCFURLIsDirectoryKey is NSURLIsDirectoryKey: the value of the item at the path itself, a final
// symbolic link not followed.
std::optional<bool> isDirectory(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
  // The flag only shapes the URL (no trailing slash); the query below asks the file system.
  const cf::Owned<CFURLRef> url(CFURLCreateFromFileSystemRepresentation(
      kCFAllocatorDefault, reinterpret_cast<const UInt8*>(path.data()), static_cast<CFIndex>(path.size()), false));
  if (!url) return std::nullopt;
  CFTypeRef out = nullptr;
  const bool succeeded = CFURLCopyResourcePropertyForKey(url.get(), kCFURLIsDirectoryKey, &out, nullptr) != 0;
  const cf::Owned<CFTypeRef> value(out);
  if (!succeeded || !value || CFGetTypeID(value.get()) != CFBooleanGetTypeID()) return std::nullopt;
  return CFBooleanGetValue(static_cast<CFBooleanRef>(value.get())) != 0;
}

}  // namespace ozmi::probe
