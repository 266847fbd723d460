#include "base64.h"

#include <array>

namespace ozmi::devicekey {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kInvalid = 0xFF;

constexpr std::array<std::uint8_t, 256> makeDecodeTable() {
  std::array<std::uint8_t, 256> table{};
  for (auto& entry : table) entry = kInvalid;
  for (std::uint8_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  return table;
}

constexpr auto kDecode = makeDecodeTable();

}  // namespace

std::optional<Bytes> decodeBase64(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  std::size_t padding = 0;
  if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
  const std::size_t symbols = text.size() - padding;

  Bytes out;
  out.reserve(text.size() / 4 * 3);
  std::uint32_t bits = 0;
  int bitCount = 0;
  for (std::size_t i = 0; i < symbols; ++i) {
    const std::uint8_t value = kDecode[static_cast<unsigned char>(text[i])];
    if (value == kInvalid) return std::nullopt;  // also an "=" before the final ones
    bits = (bits << 6) | value;
    bitCount += 6;
    if (bitCount >= 8) {
      bitCount -= 8;
      out.push_back(static_cast<std::uint8_t>(bits >> bitCount));
      bits &= (1u << bitCount) - 1;
    }
  }
  // A last group of "x===" holds less than a byte. Leftover bits must be zero so that every
  // byte string has exactly one text: "QR==" is not a second spelling of "QQ==".
  if (bits != 0) return std::nullopt;
  return out;
}

std::string encodeBase64(std::span<const std::uint8_t> bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const std::uint32_t group = (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
    out += kAlphabet[group >> 18];
    out += kAlphabet[(group >> 12) & 63];
    out += kAlphabet[(group >> 6) & 63];
    out += kAlphabet[group & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    const std::uint32_t group = (std::uint32_t{bytes[i]} << 16) | (rest == 2 ? std::uint32_t{bytes[i + 1]} << 8 : 0);
    out += kAlphabet[group >> 18];
    out += kAlphabet[(group >> 12) & 63];
    out += rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string b64url(std::span<const std::uint8_t> bytes) {
  std::string text = encodeBase64(bytes);
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '=') continue;
    out += c == '+' ? '-' : c == '/' ? '_' : c;
  }
  return out;
}

}  // namespace ozmi::devicekey
