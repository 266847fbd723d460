// The window system of macOS: the window server's list of on-screen windows (CoreGraphics) and
// the running applications as AppKit knows them. Compiled with ARC; every CF object is owned by
// a cf::Owned or borrowed under the get rule.
#include "window_list.h"

#import <AppKit/AppKit.h>
#include <CoreGraphics/CoreGraphics.h>

#include "core_foundation_mac.h"

namespace ozmi::desktop {
namespace {

std::optional<std::string> text(NSString* _Nullable string) {
  if (!string) return std::nullopt;
  return cf::utf8((__bridge CFStringRef)string);
}

// The value under `key` when it is a CFString.
std::optional<std::string> stringValue(CFDictionaryRef entry, CFStringRef key) {
  const CFTypeRef value = CFDictionaryGetValue(entry, key);
  if (!value || CFGetTypeID(value) != CFStringGetTypeID()) return std::nullopt;
  return cf::utf8(static_cast<CFStringRef>(value));
}

// The value under `key` when it is a CFNumber holding an integer; a floating-point number, or
// one beyond 64 bits, is not one.
std::optional<std::int64_t> integerValue(CFDictionaryRef entry, CFStringRef key) {
  const CFTypeRef value = CFDictionaryGetValue(entry, key);
  if (!value || CFGetTypeID(value) != CFNumberGetTypeID()) return std::nullopt;
  const auto number = static_cast<CFNumberRef>(value);
  if (CFNumberIsFloatType(number)) return std::nullopt;
  std::int64_t out = 0;
  if (!CFNumberGetValue(number, kCFNumberSInt64Type, &out)) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::vector<OnScreenWindow>> onScreenWindows() {
  @autoreleasepool {
    const cf::Owned<CFArrayRef> list(CGWindowListCopyWindowInfo(
        kCGWindowListOptionOnScreenOnly | kCGWindowListExcludeDesktopElements, kCGNullWindowID));
    if (!list || CFGetTypeID(list.get()) != CFArrayGetTypeID()) return std::nullopt;
    const CFIndex count = CFArrayGetCount(list.get());
    if (count == 0) return std::nullopt;
    std::vector<OnScreenWindow> windows;
    windows.reserve(static_cast<std::size_t>(count));
    for (CFIndex i = 0; i < count; ++i) {
      const CFTypeRef item = CFArrayGetValueAtIndex(list.get(), i);
      // A list with anything but dictionaries in it is not the list the window server describes.
      if (!item || CFGetTypeID(item) != CFDictionaryGetTypeID()) return std::nullopt;
      const auto entry = static_cast<CFDictionaryRef>(item);
      windows.push_back(OnScreenWindow{
          .ownerPid = integerValue(entry, kCGWindowOwnerPID),
          .ownerName = stringValue(entry, kCGWindowOwnerName),
          .layer = integerValue(entry, kCGWindowLayer),
          .name = stringValue(entry, kCGWindowName),
      });
    }
    return windows;
  }
}

std::optional<FrontmostApplication> frontmostApplication() {
  @autoreleasepool {
    NSRunningApplication* application = NSWorkspace.sharedWorkspace.frontmostApplication;
    if (!application) return std::nullopt;
    return FrontmostApplication{
        .pid = application.processIdentifier,
        .name = text(application.localizedName),
        .bundleId = text(application.bundleIdentifier),
        .bundlePath = text(application.bundleURL.path),
    };
  }
}

std::optional<RunningApplication> runningApplication(std::int32_t pid) {
  @autoreleasepool {
    NSRunningApplication* application = [NSRunningApplication runningApplicationWithProcessIdentifier:pid];
    if (!application) return std::nullopt;
    return RunningApplication{
        .localizedName = text(application.localizedName),
        .bundleIdentifier = text(application.bundleIdentifier),
    };
  }
}

}  // namespace ozmi::desktop
