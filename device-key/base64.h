// Byte strings as text: strict standard base64 in (key blob and message lines), standard base64
// out ("blob"), and unpadded base64url out ("x", "y", "sig", as JSON Web Keys and ES256 use them).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "bytes.h"

namespace ozmi::devicekey {

// RFC 4648 section 4 text: only the standard alphabet, length a multiple of four, at most two
// "=" and only at the very end, unused low bits of the last group zero. Anything else (a blank,
// a line break, "-" or "_", missing padding) gives nothing. "" gives an empty byte string.
std::optional<Bytes> decodeBase64(std::string_view text);

// Standard alphabet with "=" padding and no line breaks, however long.
std::string encodeBase64(std::span<const std::uint8_t> bytes);

// The standard encoding with "+" as "-", "/" as "_" and no "=": 32 bytes give 43 characters.
std::string b64url(std::span<const std::uint8_t> bytes);

}  // namespace ozmi::devicekey
