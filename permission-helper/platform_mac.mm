// The permission helper's facts on macOS, from the system frameworks. Every answer is the
// platform's own; the sections decide what it means. Objective-C work runs inside an
// autorelease pool per call, and every Core Foundation object obtained is released (the static
// code and requirement when the last copy of their handle goes).
//
// Written to compile with and without ARC: objects cross between Core Foundation and
// Foundation only through plain __bridge casts, and no Objective-C object is kept beyond a
// call.
#include <AppKit/AppKit.h>
#include <ApplicationServices/ApplicationServices.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>
#include <CoreServices/CoreServices.h>
#include <Foundation/Foundation.h>
#include <IOKit/hidsystem/IOHIDLib.h>
#include <Security/Security.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <libproc.h>
#include <unistd.h>

#include <array>
#include <cstring>

#include "helper_platform.h"
#include "posix_calls.h"
#include "window_list.h"

namespace ozmi::permission {
namespace {

// Private API of libsystem, looked up by name: the process the system holds responsible for a
// process (the one whose privacy permissions apply to it).
constexpr char kResponsibilityFunction[] = "responsibility_get_pid_responsible_for_pid";
using ResponsibilityPointer = pid_t (*)(pid_t);

// Deprecated in macOS 14 in favour of ScreenCaptureKit and withdrawn from the newest SDKs, so
// it is looked up by name rather than linked; a system without it answers "unavailable".
constexpr char kDisplayCaptureFunction[] = "CGDisplayCreateImageForRect";
using DisplayCapturePointer = CGImageRef (*)(CGDirectDisplayID, CGRect);

// The Apple Event Manager's status for data that cannot be made into the wanted descriptor
// (errAECoercionFail); answered for a target without a descriptor, which the sections never ask.
constexpr std::int32_t kNoTargetDescriptor = -1700;

// An input-monitoring access type outside the platform's three; reads "unavailable".
constexpr std::uint32_t kUnknownRequestType = UINT32_MAX;

void releaseCoreFoundationObject(const void* object) {
  if (object != nullptr) CFRelease(object);
}

void disposeDescriptor(const void* descriptor) {
  auto* desc = static_cast<AEDesc*>(const_cast<void*>(descriptor));
  AEDisposeDesc(desc);
  delete desc;
}

// The text of a Core Foundation string as UTF-8; none when it has no UTF-8 form.
std::optional<std::string> utf8Text(CFStringRef text) {
  @autoreleasepool {
    const char* bytes = [(__bridge NSString*)text UTF8String];
    if (bytes == nullptr) return std::nullopt;
    return std::string(bytes);
  }
}

// A path's bytes as the file manager takes them (any bytes, not only UTF-8); nil for an empty
// path, which the Foundation calls below would reject with an exception. Call inside a pool.
NSString* _Nullable filePathString(const std::string& path) {
  if (path.empty()) return nil;
  return [NSFileManager.defaultManager stringWithFileSystemRepresentation:path.c_str()
                                                                   length:path.size()];
}

class MacPlatform final : public Platform {
 public:
  std::int32_t pid() override { return posix::processId(); }
  std::int32_t ppid() override { return posix::parentProcessId(); }

  std::optional<std::string> executablePath(std::int32_t pid) override {
    std::array<char, PROC_PIDPATHINFO_MAXSIZE> buffer{};
    if (proc_pidpath(pid, buffer.data(), static_cast<std::uint32_t>(buffer.size())) <= 0) {
      return std::nullopt;
    }
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
  }

  ResponsibilityFunction lookUpResponsibility() override {
    void* symbol = dlsym(RTLD_DEFAULT, kResponsibilityFunction);
    if (symbol == nullptr) return {};
    const auto responsibleFor = reinterpret_cast<ResponsibilityPointer>(symbol);
    return [responsibleFor](std::int32_t pid) -> std::int32_t { return responsibleFor(pid); };
  }

  SystemVersion systemVersion() override {
    @autoreleasepool {
      NSProcessInfo* info = NSProcessInfo.processInfo;
      if (info == nil) return {};
      const NSOperatingSystemVersion version = info.operatingSystemVersion;
      return {version.majorVersion, version.minorVersion, version.patchVersion};
    }
  }

  std::optional<std::string> passwordDatabaseHome() override {
    return posix::passwordDatabaseHome();
  }

  std::string platformHome() override {
    @autoreleasepool {
      const char* home = NSHomeDirectory().UTF8String;
      return home != nullptr ? std::string(home) : std::string();
    }
  }

  std::optional<StaticCode> createStaticCode(const std::string& bundlePath) override {
    @autoreleasepool {
      NSString* path = filePathString(bundlePath);
      if (path == nil) return std::nullopt;
      NSURL* url = [NSURL fileURLWithPath:path];
      SecStaticCodeRef code = nullptr;
      const OSStatus status =
          SecStaticCodeCreateWithPath((__bridge CFURLRef)url, kSecCSDefaultFlags, &code);
      if (status != 0 || code == nullptr) return std::nullopt;
      return StaticCode{std::shared_ptr<const void>(code, releaseCoreFoundationObject)};
    }
  }

  std::optional<Requirement> createRequirement(std::string_view bytes) override {
    CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                                  static_cast<CFIndex>(bytes.size()));
    if (data == nullptr) return std::nullopt;
    SecRequirementRef requirement = nullptr;
    const OSStatus status = SecRequirementCreateWithData(data, kSecCSDefaultFlags, &requirement);
    CFRelease(data);
    if (status != 0 || requirement == nullptr) return std::nullopt;
    return Requirement{std::shared_ptr<const void>(requirement, releaseCoreFoundationObject)};
  }

  std::optional<std::string> requirementText(const Requirement& requirement) override {
    CFStringRef text = nullptr;
    const OSStatus status =
        SecRequirementCopyString(requirementRef(requirement), kSecCSDefaultFlags, &text);
    if (text == nullptr) return std::nullopt;
    std::optional<std::string> out = status == 0 ? utf8Text(text) : std::nullopt;
    CFRelease(text);
    return out;
  }

  std::int32_t checkValidity(const StaticCode& code, const Requirement& requirement) override {
    // Only the signature and the requirement are checked: the executable's pages and the
    // bundle's resources are not read (kSecCSBasicValidateOnly, 6).
    return SecStaticCodeCheckValidity(static_cast<SecStaticCodeRef>(code.handle.get()),
                                      kSecCSDoNotValidateExecutable | kSecCSDoNotValidateResources,
                                      requirementRef(requirement));
  }

  bool accessibilityTrusted() override { return AXIsProcessTrusted() != 0; }

  std::uint32_t inputAccess(std::uint32_t requestType) override {
    switch (requestType) {
      case kRequestListenEvent:
        return static_cast<std::uint32_t>(IOHIDCheckAccess(kIOHIDRequestTypeListenEvent));
      case kRequestPostEvent:
        return static_cast<std::uint32_t>(IOHIDCheckAccess(kIOHIDRequestTypePostEvent));
      default:
        return kUnknownRequestType;
    }
  }

  std::optional<std::vector<ozmi::desktop::OnScreenWindow>> onScreenWindows() override {
    return ozmi::desktop::onScreenWindows();
  }

  std::optional<ozmi::desktop::FrontmostApplication> frontmostApplication() override {
    return ozmi::desktop::frontmostApplication();
  }

  bool screenCaptureAccess() override { return CGPreflightScreenCaptureAccess(); }

  CaptureOutcome captureMainDisplayPixel() override {
    void* symbol = dlsym(RTLD_DEFAULT, kDisplayCaptureFunction);
    if (symbol == nullptr) return CaptureOutcome::functionUnavailable;
    const auto capture = reinterpret_cast<DisplayCapturePointer>(symbol);
    const CGRect pixel = {{0.0, 0.0}, {1.0, 1.0}};
    CGImageRef image = capture(CGMainDisplayID(), pixel);
    if (image == nullptr) return CaptureOutcome::noImage;
    CGImageRelease(image);
    return CaptureOutcome::image;
  }

  bool applicationInstalled(const std::string& bundleId) override {
    @autoreleasepool {
      NSString* identifier = [NSString stringWithUTF8String:bundleId.c_str()];
      if (identifier == nil) return false;
      return [NSWorkspace.sharedWorkspace URLForApplicationWithBundleIdentifier:identifier] != nil;
    }
  }

  bool applicationRunning(const std::string& bundleId) override {
    @autoreleasepool {
      NSString* identifier = [NSString stringWithUTF8String:bundleId.c_str()];
      if (identifier == nil) return false;
      return [NSRunningApplication runningApplicationsWithBundleIdentifier:identifier].count > 0;
    }
  }

  // The identifier's UTF-8 bytes, without a terminating zero.
  AutomationTarget createAutomationTarget(const std::string& bundleId) override {
    auto* desc = new AEDesc{};
    const OSErr status = AECreateDesc(typeApplicationBundleID, bundleId.data(),
                                      static_cast<Size>(bundleId.size()), desc);
    if (status != 0) {
      delete desc;  // a failed creation leaves the null descriptor, with nothing to dispose of
      return {status, nullptr};
    }
    return {0, std::shared_ptr<const void>(desc, disposeDescriptor)};
  }

  std::int32_t automationPermission(const AutomationTarget& target, bool askUser) override {
    const auto* desc = static_cast<const AEDesc*>(target.descriptor.get());
    if (desc == nullptr) return kNoTargetDescriptor;
    return AEDeterminePermissionToAutomateTarget(desc, typeWildCard, typeWildCard, askUser);
  }

  // O_NONBLOCK and O_CLOEXEC as on Linux (see posix_calls.h): a FIFO at a probed path must not
  // stall the run, and no process started by a framework may inherit the descriptor.
  OpenResult openReadOnly(const std::string& path, bool directory) override {
    return posix::openReadOnly(path, directory);
  }

  ReadResult readOneByte(int fd) override { return posix::readOneByte(fd); }

  void closeDescriptor(int fd) override { posix::closeDescriptor(fd); }

  ListingResult listDirectory(const std::string& path) override {
    @autoreleasepool {
      NSString* directory = filePathString(path);
      if (directory == nil) return {false, std::nullopt};
      NSError* error = nil;
      NSArray<NSString*>* entries =
          [NSFileManager.defaultManager contentsOfDirectoryAtPath:directory error:&error];
      if (entries != nil) return {true, std::nullopt};
      // The file manager wraps the system call's error; only that one carries an errno.
      id underlying = [error.userInfo objectForKey:NSUnderlyingErrorKey];
      if (![underlying isKindOfClass:[NSError class]]) return {false, std::nullopt};
      NSError* cause = underlying;
      if (![cause.domain isEqualToString:NSPOSIXErrorDomain]) return {false, std::nullopt};
      return {false, static_cast<std::int32_t>(cause.code)};
    }
  }

 private:
  static SecRequirementRef requirementRef(const Requirement& requirement) {
    return static_cast<SecRequirementRef>(const_cast<void*>(requirement.handle.get()));
  }
};

// Frameworks write their own diagnostics to standard error (AppKit and Core Graphics do when
// there is no window server session, for one). The host expects nothing there, so the stream
// goes to /dev/null before the first framework call.
void discardStandardError() {
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0) return;
  dup2(null, STDERR_FILENO);
  if (null != STDERR_FILENO) close(null);
}

}  // namespace

std::unique_ptr<Platform> makePlatform() {
  discardStandardError();
  return std::make_unique<MacPlatform>();
}

}  // namespace ozmi::permission
