// The permission helper's command line: options for the default report, or one side mode.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ozmi::permission {

struct HelperOptions {
  std::vector<std::string> automationList;  // "--automation": target bundle identifiers
  std::vector<std::string> clientList;      // "--client": permission-database client identifiers
  std::string bundlePath;                   // "--bundle": application bundle to check rows against
  bool capture = false;                     // "--capture": try a one-pixel screen capture
};

enum class Mode { defaultReport, version, requestAutomation, frontWindow };

struct CommandLine {
  Mode mode = Mode::defaultReport;
  HelperOptions options;        // as gathered up to the argument that chose the mode
  std::string requestBundleId;  // the value of "--request-automation"
};

// The pieces of `text` between commas, empty ones left out; no trimming, duplicates kept.
std::vector<std::string> split(std::string_view text);

// Walks `args` (the arguments after the program name). The first of "--request-automation"
// with a value, "--front-window" and "--version" ends the walk and chooses its mode; a
// value-taking option without a value, and anything unknown, is passed over. An argument that
// is not valid UTF-8 matches no option and is never taken as a value.
CommandLine parseCommandLine(const std::vector<std::string>& args);

}  // namespace ozmi::permission
