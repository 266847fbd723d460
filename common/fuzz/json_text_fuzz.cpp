// Any bytes as a string: the writer either refuses (not UTF-8) or gives one line of text with
// no raw control character and no bare "/".
#include <cstdint>
#include <cstdlib>
#include <string>

#include "json_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto out = ozmi::json::write(ozmi::json::Value(ozmi::json::Value::Object{{"k", text}}));
  if (out.has_value() != ozmi::json::isValidUtf8(text)) std::abort();
  if (!out) return 0;
  for (std::size_t i = 0; i < out->size(); ++i) {
    const auto c = static_cast<unsigned char>((*out)[i]);
    if (c < 0x20) std::abort();
    if (c == '/' && (i == 0 || (*out)[i - 1] != '\\')) std::abort();
  }
  return 0;
}
