#include "fake_platform.h"

#include <algorithm>

namespace ozmi::permission::testing {

std::int32_t FakePlatform::pid() {
  calls.push_back("pid");
  return pidValue;
}

std::int32_t FakePlatform::ppid() {
  calls.push_back("ppid");
  return ppidValue;
}

std::optional<std::string> FakePlatform::executablePath(std::int32_t pid) {
  calls.push_back("path " + std::to_string(pid));
  auto it = executablePaths.find(pid);
  if (it == executablePaths.end()) return std::nullopt;
  return it->second;
}

ResponsibilityFunction FakePlatform::lookUpResponsibility() {
  calls.push_back("lookUpResponsibility");
  if (!hasResponsibility) return {};
  return [this](std::int32_t pid) {
    calls.push_back("responsible " + std::to_string(pid));
    auto it = responsible.find(pid);
    return it == responsible.end() ? 0 : it->second;
  };
}

SystemVersion FakePlatform::systemVersion() { return version; }
std::optional<std::string> FakePlatform::passwordDatabaseHome() { return passwdHome; }
std::string FakePlatform::platformHome() { return fallbackHome; }

std::optional<StaticCode> FakePlatform::createStaticCode(const std::string& bundlePath) {
  calls.push_back("staticCode " + bundlePath);
  if (!staticCodeAvailable) return std::nullopt;
  return StaticCode{std::make_shared<const std::string>(bundlePath)};
}

std::optional<Requirement> FakePlatform::createRequirement(std::string_view bytes) {
  const std::string blob(bytes);
  if (std::find(unparseableBlobs.begin(), unparseableBlobs.end(), blob) != unparseableBlobs.end()) {
    return std::nullopt;
  }
  return Requirement{std::make_shared<const std::string>(blob)};
}

std::optional<std::string> FakePlatform::requirementText(const Requirement& requirement) {
  const auto& blob = *static_cast<const std::string*>(requirement.handle.get());
  auto it = requirementTexts.find(blob);
  if (it == requirementTexts.end()) return std::nullopt;
  return it->second;
}

std::int32_t FakePlatform::checkValidity(const StaticCode&, const Requirement&) {
  calls.push_back("check");
  return checkStatus;
}

bool FakePlatform::accessibilityTrusted() {
  calls.push_back("trusted");
  return trusted;
}

std::uint32_t FakePlatform::inputAccess(std::uint32_t requestType) {
  calls.push_back("input " + std::to_string(requestType));
  auto it = inputAccessTypes.find(requestType);
  return it == inputAccessTypes.end() ? 0 : it->second;
}

bool FakePlatform::screenCaptureAccess() {
  calls.push_back("preflight");
  return captureAccess;
}

std::optional<std::vector<desktop::OnScreenWindow>> FakePlatform::onScreenWindows() {
  calls.push_back("windows");
  return windows;
}

CaptureOutcome FakePlatform::captureMainDisplayPixel() {
  calls.push_back("capture");
  return captureOutcome;
}

std::optional<desktop::FrontmostApplication> FakePlatform::frontmostApplication() {
  calls.push_back("front");
  return front;
}

bool FakePlatform::applicationInstalled(const std::string& bundleId) {
  return std::find(installedApps.begin(), installedApps.end(), bundleId) != installedApps.end();
}

bool FakePlatform::applicationRunning(const std::string& bundleId) {
  return std::find(runningApps.begin(), runningApps.end(), bundleId) != runningApps.end();
}

AutomationTarget FakePlatform::createAutomationTarget(const std::string& bundleId) {
  calls.push_back("target " + bundleId);
  auto it = targetFailures.find(bundleId);
  if (it != targetFailures.end()) return {it->second, nullptr};
  return {0, std::make_shared<const std::string>(bundleId)};
}

std::int32_t FakePlatform::automationPermission(const AutomationTarget& target, bool askUser) {
  const auto& bundleId = *static_cast<const std::string*>(target.descriptor.get());
  calls.push_back(std::string(askUser ? "ask " : "determine ") + bundleId);
  auto it = permissionStatus.find(bundleId);
  return it == permissionStatus.end() ? 0 : it->second;
}

OpenResult FakePlatform::openReadOnly(const std::string& path, bool directory) {
  calls.push_back(std::string(directory ? "opendir " : "open ") + path);
  auto it = openErrors.find(path);
  if (it != openErrors.end() && it->second != 0) return {-1, it->second};
  const int fd = nextFd_++;
  fdPaths_[fd] = path;
  ++openDescriptors;
  return {fd, 0};
}

ReadResult FakePlatform::readOneByte(int fd) {
  auto it = readErrors.find(fdPaths_[fd]);
  if (it != readErrors.end() && it->second != 0) return {-1, it->second};
  return {1, 0};
}

void FakePlatform::closeDescriptor(int fd) {
  calls.push_back("close " + fdPaths_[fd]);
  fdPaths_.erase(fd);
  --openDescriptors;
}

ListingResult FakePlatform::listDirectory(const std::string& path) {
  calls.push_back("list " + path);
  auto it = listings.find(path);
  return it == listings.end() ? ListingResult{true, std::nullopt} : it->second;
}

int FakePlatform::count(const std::string& call) const {
  return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

}  // namespace ozmi::permission::testing
