// The permission helper's facts on Linux. Where Linux has a counterpart of the macOS service
// it is used; where it has none, the answer is the one the report gives for a missing
// facility (see the constants below). The plain POSIX calls are in posix_calls_posix.cpp.
#include <unistd.h>

#include <array>
#include <climits>

#include "code_requirement.h"
#include "helper_platform.h"
#include "home_directory.h"
#include "posix_calls.h"
#include "window_list.h"
#include "x11_windows_linux.h"
#include "running_application_linux.h"

namespace ozmi::permission {
namespace {

// Linux has no Apple events: a target description cannot be built, with the Apple Event
// Manager's own status for data that cannot be made into the wanted descriptor type
// (errAECoercionFail). Every automation entry thus reads "status":-1700,"result":"error".
constexpr std::int16_t kNoAutomationTarget = -1700;

// No input-monitoring check exists; any access type above 2 reads "unavailable".
constexpr std::uint32_t kNoInputAccessCheck = UINT32_MAX;

// Never reached (no static code is ever made on Linux); errSecCSUnimplemented.
constexpr std::int32_t kNoCodeCheck = -67072;

// Without a password-database home, and with no environment read, there is no home: this
// path, which by convention does not exist, makes every probe under it say so.
constexpr char kNoHome[] = "/nonexistent";

// Where installed applications leave their desktop entries (the XDG defaults, plus the
// Flatpak and Snap export folders). Fixed: no environment variable widens it.
constexpr std::array<const char*, 4> kSystemApplicationFolders = {
    "/usr/share/applications",
    "/usr/local/share/applications",
    "/var/lib/flatpak/exports/share/applications",
    "/var/lib/snapd/desktop/applications",
};
constexpr std::array<const char*, 2> kUserApplicationFolders = {
    ".local/share/applications",
    ".local/share/flatpak/exports/share/applications",
};

class LinuxPlatform final : public Platform {
 public:
  std::int32_t pid() override { return posix::processId(); }
  std::int32_t ppid() override { return posix::parentProcessId(); }

  // The counterpart of proc_pidpath: the target of /proc/<pid>/exe.
  std::optional<std::string> executablePath(std::int32_t pid) override {
    if (pid <= 0) return std::nullopt;
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    std::array<char, 4096> buffer{};
    const ssize_t count = ::readlink(link.c_str(), buffer.data(), buffer.size());
    // A count equal to the buffer size may be a cut-off path.
    if (count <= 0 || static_cast<std::size_t>(count) >= buffer.size()) return std::nullopt;
    return std::string(buffer.data(), static_cast<std::size_t>(count));
  }

  // Linux keeps no record of which process is responsible for another.
  ResponsibilityFunction lookUpResponsibility() override { return {}; }

  // There is no system version in the macOS sense.
  SystemVersion systemVersion() override { return {}; }

  std::optional<std::string> passwordDatabaseHome() override {
    return posix::passwordDatabaseHome();
  }

  std::string platformHome() override { return kNoHome; }

  // There are no signed application bundles to check a requirement against.
  std::optional<StaticCode> createStaticCode(const std::string&) override { return std::nullopt; }

  std::optional<Requirement> createRequirement(std::string_view bytes) override {
    std::optional<CompiledRequirement> parsed = parseRequirement(bytes);
    if (!parsed) return std::nullopt;
    return Requirement{std::make_shared<const CompiledRequirement>(std::move(*parsed))};
  }

  std::optional<std::string> requirementText(const Requirement& requirement) override {
    const auto* parsed = static_cast<const CompiledRequirement*>(requirement.handle.get());
    if (parsed == nullptr) return std::nullopt;
    return renderRequirement(*parsed);
  }

  std::int32_t checkValidity(const StaticCode&, const Requirement&) override {
    return kNoCodeCheck;
  }

  bool accessibilityTrusted() override { return false; }

  std::uint32_t inputAccess(std::uint32_t) override { return kNoInputAccessCheck; }

  std::optional<std::vector<desktop::OnScreenWindow>> onScreenWindows() override {
    return desktop::onScreenWindows();
  }
  std::optional<desktop::FrontmostApplication> frontmostApplication() override {
    return desktop::frontmostApplication();
  }

  // X11 has no screen-capture permission: every client of a display may read all of it, so
  // access is granted exactly when a display can be reached, and the capture is a real 1x1
  // GetImage of the root window.
  bool screenCaptureAccess() override { return desktop::x11::displayReachable(); }
  CaptureOutcome captureMainDisplayPixel() override {
    return desktop::x11::readRootPixel() ? CaptureOutcome::image : CaptureOutcome::noImage;
  }

  // Installed: a desktop entry "<id>.desktop" in one of the application folders. A desktop
  // entry id never holds "/", so such an identifier names no entry (and no other file).
  bool applicationInstalled(const std::string& bundleId) override {
    if (bundleId.empty() || bundleId.find('/') != std::string::npos) return false;
    const std::string file = bundleId + ".desktop";
    for (const char* folder : kSystemApplicationFolders) {
      if (posix::isRegularFile(std::string(folder) + "/" + file)) return true;
    }
    const std::string home = homeDirectory(*this);
    for (const char* folder : kUserApplicationFolders) {
      const std::string path = appendPathComponent(appendPathComponent(home, folder), file);
      if (posix::isRegularFile(path)) return true;
    }
    return false;
  }

  bool applicationRunning(const std::string& bundleId) override { return applicationRunningOnDesktop(bundleId); }

  AutomationTarget createAutomationTarget(const std::string&) override {
    return {kNoAutomationTarget, nullptr};
  }

  std::int32_t automationPermission(const AutomationTarget&, bool) override {
    return kNoAutomationTarget;
  }

  OpenResult openReadOnly(const std::string& path, bool directory) override {
    return posix::openReadOnly(path, directory);
  }
  ReadResult readOneByte(int fd) override { return posix::readOneByte(fd); }
  void closeDescriptor(int fd) override { posix::closeDescriptor(fd); }
  ListingResult listDirectory(const std::string& path) override {
    return posix::listDirectory(path);
  }
};

}  // namespace

std::unique_ptr<Platform> makePlatform() { return std::make_unique<LinuxPlatform>(); }

}  // namespace ozmi::permission
