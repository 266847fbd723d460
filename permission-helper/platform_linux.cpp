// The permission helper's facts on Linux. Where Linux has a counterpart of the macOS service
// it is used; where it has none, the answer is the one the report gives for a missing
// facility (see the constants below).
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>

#include "code_requirement.h"
#include "desktop.h"
#include "helper_platform.h"
#include "home_directory.h"

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

bool isRegularFile(const std::string& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

class LinuxPlatform final : public Platform {
 public:
  std::int32_t pid() override { return ::getpid(); }
  std::int32_t ppid() override { return ::getppid(); }

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
    const passwd* entry = ::getpwuid(::getuid());
    if (entry == nullptr || entry->pw_dir == nullptr) return std::nullopt;
    return std::string(entry->pw_dir);
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

  std::optional<std::vector<ozmi::desktop::OnScreenWindow>> onScreenWindows() override {
    std::optional<std::vector<desktop::WindowDescription>> windows = desktop::onScreenWindows();
    if (!windows) return std::nullopt;
    std::vector<ozmi::desktop::OnScreenWindow> out;
    out.reserve(windows->size());
    for (desktop::WindowDescription& w : *windows) {
      out.push_back({w.ownerPid, std::nullopt, w.layer, std::move(w.name)});
    }
    return out;
  }
  std::optional<ozmi::desktop::FrontmostApplication> frontmostApplication() override {
    std::optional<desktop::FrontApplication> app = desktop::frontmostApplication();
    if (!app) return std::nullopt;
    return ozmi::desktop::FrontmostApplication{app->pid, std::move(app->name),
                                               std::move(app->bundleId),
                                               std::move(app->bundlePath)};
  }
  bool screenCaptureAccess() override { return desktop::screenCaptureAccess(); }
  CaptureOutcome captureMainDisplayPixel() override {
    return desktop::captureMainDisplayPixel() ? CaptureOutcome::image : CaptureOutcome::noImage;
  }

  // Installed: a desktop entry "<id>.desktop" in one of the application folders. A desktop
  // entry id never holds "/", so such an identifier names no entry (and no other file).
  bool applicationInstalled(const std::string& bundleId) override {
    if (bundleId.empty() || bundleId.find('/') != std::string::npos) return false;
    const std::string file = bundleId + ".desktop";
    for (const char* folder : kSystemApplicationFolders) {
      if (isRegularFile(std::string(folder) + "/" + file)) return true;
    }
    const std::string home = homeDirectory(*this);
    for (const char* folder : kUserApplicationFolders) {
      if (isRegularFile(appendPathComponent(appendPathComponent(home, folder), file))) return true;
    }
    return false;
  }

  // No registry maps running processes to application identifiers.
  bool applicationRunning(const std::string&) override { return false; }

  AutomationTarget createAutomationTarget(const std::string&) override {
    return {kNoAutomationTarget, nullptr};
  }

  std::int32_t automationPermission(const AutomationTarget&, bool) override {
    return kNoAutomationTarget;
  }

  // O_NONBLOCK keeps a FIFO placed at a probed path from stalling the run; it changes nothing
  // for files and directories.
  OpenResult openReadOnly(const std::string& path, bool directory) override {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC |
                                            (directory ? O_DIRECTORY : 0));
    return {fd, fd < 0 ? errno : 0};
  }

  ReadResult readOneByte(int fd) override {
    char byte = 0;
    const ssize_t count = ::read(fd, &byte, 1);
    return {static_cast<long>(count), count < 0 ? errno : 0};
  }

  void closeDescriptor(int fd) override { ::close(fd); }

  ListingResult listDirectory(const std::string& path) override {
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) return {false, errno};
    std::optional<std::int32_t> failure;
    while (true) {
      errno = 0;
      if (::readdir(dir) != nullptr) continue;
      if (errno != 0) failure = errno;
      break;
    }
    ::closedir(dir);
    if (failure) return {false, failure};
    return {true, std::nullopt};
  }
};

}  // namespace

std::unique_ptr<Platform> makePlatform() { return std::make_unique<LinuxPlatform>(); }

}  // namespace ozmi::permission
