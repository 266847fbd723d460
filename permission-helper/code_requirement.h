// Compiled code requirements, the binary form stored with each permission-database row, and
// their text form. Stands in for the Security framework's requirement services where that
// framework is absent.
//
// Blob layout (big-endian 32-bit words, items on 4-byte boundaries):
//   0  magic 0xfade0c00      4  length of the whole blob      8  kind (1: expression)
//   12 the expression, a prefix tree of operator words and operands
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ozmi::permission {

inline constexpr std::uint32_t kRequirementMagic = 0xfade0c00;
inline constexpr std::uint32_t kExpressionKind = 1;

// A requirement whose header has been checked; the expression is not yet looked at.
struct CompiledRequirement {
  std::string bytes;
};

// Checks the header only: at least 12 bytes, the single-requirement magic, and a length field
// equal to the byte count. None otherwise.
std::optional<CompiledRequirement> parseRequirement(std::string_view bytes);

// The text form, for example `identifier "com.apple.Terminal" and anchor apple`. None when the
// blob is not of the expression kind, the expression runs past the end, holds an operator it
// cannot skip, nests deeper than any real requirement, or leaves bytes over.
std::optional<std::string> renderRequirement(const CompiledRequirement& requirement);

// "cdhash" when the text begins with it, else "developer-id" when it holds
// "anchor apple generic", else "other".
std::string requirementKind(std::string_view text);

}  // namespace ozmi::permission
