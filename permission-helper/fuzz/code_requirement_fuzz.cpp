// The compiled-requirement reader over arbitrary bytes. Half the inputs get a well-formed
// header in front so that the expression walk is reached at once.
#include <cstddef>
#include <cstdint>
#include <string>

#include "code_requirement.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 1) {
    const auto total = static_cast<std::uint32_t>(bytes.size() + 12);
    std::string header;
    for (std::uint32_t word : {ozmi::permission::kRequirementMagic, total,
                               ozmi::permission::kExpressionKind}) {
      for (int shift = 24; shift >= 0; shift -= 8) header += static_cast<char>((word >> shift) & 0xff);
    }
    bytes = header + bytes;
  }
  if (auto requirement = ozmi::permission::parseRequirement(bytes)) {
    if (auto text = ozmi::permission::renderRequirement(*requirement)) {
      (void)ozmi::permission::requirementKind(*text);
    }
  }
  return 0;
}
