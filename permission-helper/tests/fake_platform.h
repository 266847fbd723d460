// A platform of plain settable facts, with a log of the questions asked.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "helper_platform.h"

namespace ozmi::permission::testing {

class FakePlatform : public Platform {
 public:
  std::int32_t pidValue = 100;
  std::int32_t ppidValue = 50;
  std::map<std::int32_t, std::string> executablePaths;
  // Responsible pid per pid; used only when `hasResponsibility`.
  bool hasResponsibility = false;
  std::map<std::int32_t, std::int32_t> responsible;
  SystemVersion version{14, 5, 0};
  std::optional<std::string> passwdHome = std::string("/Users/tester");
  std::string fallbackHome = "/fallback-home";

  // Code signing: a requirement is made unless its bytes are in `unparseableBlobs`; its text
  // comes from `requirementTexts` (none when absent); the check answers `checkStatus`.
  bool staticCodeAvailable = false;
  std::vector<std::string> unparseableBlobs;
  std::map<std::string, std::string> requirementTexts;
  std::int32_t checkStatus = 0;

  bool trusted = true;
  std::map<std::uint32_t, std::uint32_t> inputAccessTypes;
  bool captureAccess = false;
  std::optional<std::vector<desktop::OnScreenWindow>> windows;
  CaptureOutcome captureOutcome = CaptureOutcome::image;
  std::optional<desktop::FrontmostApplication> front;

  std::vector<std::string> installedApps;
  std::vector<std::string> runningApps;
  std::map<std::string, std::int16_t> targetFailures;  // bundle id -> description status
  std::map<std::string, std::int32_t> permissionStatus;  // bundle id -> check status

  // path -> open error (0 opens); read error for files; listing result for directories.
  std::map<std::string, int> openErrors;
  std::map<std::string, int> readErrors;
  std::map<std::string, ListingResult> listings;

  // What was asked, in order ("pid", "trusted", "capture", "open <path>", ...).
  std::vector<std::string> calls;
  int openDescriptors = 0;

  std::int32_t pid() override;
  std::int32_t ppid() override;
  std::optional<std::string> executablePath(std::int32_t pid) override;
  ResponsibilityFunction lookUpResponsibility() override;
  SystemVersion systemVersion() override;
  std::optional<std::string> passwordDatabaseHome() override;
  std::string platformHome() override;
  std::optional<StaticCode> createStaticCode(const std::string& bundlePath) override;
  std::optional<Requirement> createRequirement(std::string_view bytes) override;
  std::optional<std::string> requirementText(const Requirement& requirement) override;
  std::int32_t checkValidity(const StaticCode& code, const Requirement& requirement) override;
  bool accessibilityTrusted() override;
  std::uint32_t inputAccess(std::uint32_t requestType) override;
  bool screenCaptureAccess() override;
  std::optional<std::vector<desktop::OnScreenWindow>> onScreenWindows() override;
  CaptureOutcome captureMainDisplayPixel() override;
  std::optional<desktop::FrontmostApplication> frontmostApplication() override;
  bool applicationInstalled(const std::string& bundleId) override;
  bool applicationRunning(const std::string& bundleId) override;
  AutomationTarget createAutomationTarget(const std::string& bundleId) override;
  std::int32_t automationPermission(const AutomationTarget& target, bool askUser) override;
  OpenResult openReadOnly(const std::string& path, bool directory) override;
  ReadResult readOneByte(int fd) override;
  void closeDescriptor(int fd) override;
  ListingResult listDirectory(const std::string& path) override;

  int count(const std::string& call) const;

 private:
  std::map<int, std::string> fdPaths_;
  int nextFd_ = 3;
};

}  // namespace ozmi::permission::testing
