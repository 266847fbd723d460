#include "helper_options.h"

#include "json_text.h"

namespace ozmi::permission {

std::vector<std::string> split(std::string_view text) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) comma = text.size();
    if (comma > start) pieces.emplace_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return pieces;
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
  CommandLine result;
  HelperOptions& options = result.options;
  std::size_t i = 0;
  while (i < args.size()) {
    const std::string& a = args[i];
    if (!json::isValidUtf8(a)) {
      ++i;
      continue;
    }
    const bool hasValue = i + 1 < args.size() && json::isValidUtf8(args[i + 1]);
    const std::string* n = hasValue ? &args[i + 1] : nullptr;
    if (a == "--automation" && n) {
      options.automationList = split(*n);
      i += 2;
    } else if (a == "--client" && n) {
      options.clientList = split(*n);
      i += 2;
    } else if (a == "--bundle" && n) {
      options.bundlePath = *n;
      i += 2;
    } else if (a == "--request-automation" && n) {
      result.mode = Mode::requestAutomation;
      result.requestBundleId = *n;
      return result;
    } else if (a == "--front-window") {
      result.mode = Mode::frontWindow;
      return result;
    } else if (a == "--capture") {
      options.capture = true;
      ++i;
    } else if (a == "--version") {
      result.mode = Mode::version;
      return result;
    } else {
      ++i;
    }
  }
  return result;
}

}  // namespace ozmi::permission
