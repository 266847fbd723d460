// Any bytes: the repair is always valid, leaves valid text alone and changes nothing twice; the
// well-formed start is valid and the repair keeps it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string repaired = ozmi::utf8::repair(text);
  if (!ozmi::utf8::isValid(repaired)) std::abort();
  if (ozmi::utf8::repair(repaired) != repaired) std::abort();
  if (ozmi::utf8::isValid(text) != (repaired == text)) std::abort();
  // Each replacement stands for at least one byte and at most three (a subpart never reaches a
  // fourth), so the length is bounded on both sides.
  if (repaired.size() < size || repaired.size() > 3 * size) std::abort();
  const std::size_t prefix = ozmi::utf8::wellFormedPrefix(text);
  if (prefix > size || !ozmi::utf8::isValid(text.substr(0, prefix))) std::abort();
  if (repaired.compare(0, prefix, text.substr(0, prefix)) != 0) std::abort();
  if (prefix < size && repaired == text) std::abort();
  return 0;
}
