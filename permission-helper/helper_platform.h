// Every fact the permission helper asks of its platform. The sections are portable code over
// these answers; platform_linux.cpp and platform_mac.mm answer them, and tests answer them with
// fakes. No operation throws; each failure is an answer of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "window_list.h"

namespace ozmi::permission {

struct SystemVersion {
  std::int64_t major = 0;
  std::int64_t minor = 0;
  std::int64_t patch = 0;
};

// Platform objects that the sections hold only between two calls. The handle releases the
// object when the last copy goes.
struct StaticCode {
  std::shared_ptr<const void> handle;
};
struct Requirement {
  std::shared_ptr<const void> handle;
};

// An Apple event target description: `status` 0 with a descriptor, or a non-zero status.
struct AutomationTarget {
  std::int16_t status = 0;
  std::shared_ptr<const void> descriptor;
};

// The outcome of open(2): a descriptor, or -1 with the error number.
struct OpenResult {
  int fd = -1;
  int error = 0;
};

// The outcome of read(2) of one byte: the count, or -1 with the error number.
struct ReadResult {
  long count = 0;
  int error = 0;
};

// The outcome of listing a directory. On failure `posixError` is the underlying error number
// when the failure carries one.
struct ListingResult {
  bool ok = false;
  std::optional<std::int32_t> posixError;
};

// IOHIDCheckAccess request types.
inline constexpr std::uint32_t kRequestListenEvent = 1;
inline constexpr std::uint32_t kRequestPostEvent = 0;

// The outcome of capturing the one-by-one rectangle at the origin of the main display.
enum class CaptureOutcome {
  functionUnavailable,  // the system has no display-capture function
  image,                // the capture gave an image (already released)
  noImage,              // the capture gave nothing
};

// The process-responsibility function: the id of the process responsible for the given one.
using ResponsibilityFunction = std::function<std::int32_t(std::int32_t)>;

class Platform {
 public:
  virtual ~Platform() = default;

  // Process facts, asked afresh at every call.
  virtual std::int32_t pid() = 0;
  virtual std::int32_t ppid() = 0;
  // The executable path of a process as raw bytes; none when it cannot be read.
  virtual std::optional<std::string> executablePath(std::int32_t pid) = 0;
  // The responsibility function, or an empty function when the platform has none.
  virtual ResponsibilityFunction lookUpResponsibility() = 0;

  // The running system's version; all zero when unknown.
  virtual SystemVersion systemVersion() = 0;
  // The home-directory field of the password-database entry of the real user id, when the
  // entry exists and the field is set.
  virtual std::optional<std::string> passwordDatabaseHome() = 0;
  // The platform's own idea of the home directory, used when the password database has none.
  virtual std::string platformHome() = 0;

  // Code signing. A static code for the bundle at `bundlePath`, or none.
  virtual std::optional<StaticCode> createStaticCode(const std::string& bundlePath) = 0;
  // A requirement made from a compiled requirement's bytes, or none when they are not one.
  virtual std::optional<Requirement> createRequirement(std::string_view bytes) = 0;
  // The requirement's text form, or none when it cannot be written out.
  virtual std::optional<std::string> requirementText(const Requirement& requirement) = 0;
  // 0 when `code` satisfies `requirement`, otherwise the failure's status code.
  virtual std::int32_t checkValidity(const StaticCode& code, const Requirement& requirement) = 0;

  // Accessibility trust of this process.
  virtual bool accessibilityTrusted() = 0;
  // The input-monitoring access type for a request type (0 granted, 1 denied, 2 unknown).
  virtual std::uint32_t inputAccess(std::uint32_t requestType) = 0;

  // Window-system facts (see window_list.h).
  virtual std::optional<std::vector<ozmi::desktop::OnScreenWindow>> onScreenWindows() = 0;
  virtual std::optional<ozmi::desktop::FrontmostApplication> frontmostApplication() = 0;
  // True when this process may capture the screen; asked without prompting the user.
  virtual bool screenCaptureAccess() = 0;
  // Called only after screenCaptureAccess() answered true.
  virtual CaptureOutcome captureMainDisplayPixel() = 0;

  // Applications, by identifier.
  virtual bool applicationInstalled(const std::string& bundleId) = 0;
  virtual bool applicationRunning(const std::string& bundleId) = 0;
  virtual AutomationTarget createAutomationTarget(const std::string& bundleId) = 0;
  // The automation permission status for `target` (made with status 0).
  virtual std::int32_t automationPermission(const AutomationTarget& target, bool askUser) = 0;

  // Files. `directory` adds O_DIRECTORY.
  virtual OpenResult openReadOnly(const std::string& path, bool directory) = 0;
  virtual ReadResult readOneByte(int fd) = 0;
  virtual void closeDescriptor(int fd) = 0;
  virtual ListingResult listDirectory(const std::string& path) = 0;
};

// The platform this program was built for (platform_linux.cpp, platform_mac.mm).
std::unique_ptr<Platform> makePlatform();

}  // namespace ozmi::permission
