// The option walk over arbitrary argument lists: arguments are the input split at NUL bytes,
// the way argv reaches the program.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "helper_options.h"
#include "json_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(data[i]);
    }
  }
  const ozmi::permission::CommandLine command = ozmi::permission::parseCommandLine(args);
  for (const auto* list : {&command.options.automationList, &command.options.clientList}) {
    for (const std::string& piece : *list) {
      if (piece.empty() || piece.find(',') != std::string::npos) std::abort();
      if (!ozmi::json::isValidUtf8(piece)) std::abort();
    }
  }
  if (!ozmi::json::isValidUtf8(command.options.bundlePath)) std::abort();
  if (!ozmi::json::isValidUtf8(command.requestBundleId)) std::abort();
  return 0;
}
