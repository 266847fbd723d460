#include "helper_main.h"

#include "accessibility_section.h"
#include "automation_section.h"
#include "front_window.h"
#include "full_disk_section.h"
#include "json_line.h"
#include "process_section.h"
#include "screen_input.h"
#include "tcc_section.h"

namespace ozmi::permission {

std::string macosValue(const SystemVersion& version) {
  return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
         std::to_string(version.patch);
}

json::Value defaultReport(const HelperOptions& options, Platform& platform) {
  ProcessSection process = processSection(platform);
  std::string macos = macosValue(platform.systemVersion());
  json::Value tcc = tccSection(options.clientList, options.bundlePath, platform);
  json::Value accessibility = accessibilitySection(tcc, platform);
  json::Value screen = screenSection(process.responsiblePid, options.capture, platform);
  json::Value input = inputSection(platform);
  json::Value automation = automationSection(options.automationList, platform);
  json::Value fullDisk = fullDiskSection(platform);
  return json::objectOf({
      {"schema", 1},
      {"macos", std::move(macos)},
      {"process", std::move(process.object)},
      {"accessibility", std::move(accessibility)},
      {"screen", std::move(screen)},
      {"input", std::move(input)},
      {"automation", std::move(automation)},
      {"fullDisk", std::move(fullDisk)},
      {"tcc", std::move(tcc)},
  });
}

std::string runHelper(const std::vector<std::string>& args, Platform& platform) {
  const CommandLine command = parseCommandLine(args);
  switch (command.mode) {
    case Mode::version:
      return kVersionLine;
    case Mode::requestAutomation:
      return writeJsonLine(requestAutomation(command.requestBundleId, platform),
                           FailureForm::lineFeedOnly);
    case Mode::frontWindow:
      return writeJsonLine(frontWindow(platform), FailureForm::lineFeedOnly);
    case Mode::defaultReport:
      break;
  }
  return writeJsonLine(defaultReport(command.options, platform), FailureForm::errorLine);
}

}  // namespace ozmi::permission
