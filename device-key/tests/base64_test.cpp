#include "base64.h"

#include <gtest/gtest.h>

#include <string>

namespace ozmi::devicekey {
namespace {

Bytes bytesOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

// RFC 4648 section 10.
TEST(DeviceKeyBase64, Rfc4648Vectors) {
  static constexpr struct {
    const char* bytes;
    const char* standard;
    const char* url;
  } kCases[] = {
      {"", "", ""},
      {"f", "Zg==", "Zg"},
      {"fo", "Zm8=", "Zm8"},
      {"foo", "Zm9v", "Zm9v"},
      {"foob", "Zm9vYg==", "Zm9vYg"},
      {"fooba", "Zm9vYmE=", "Zm9vYmE"},
      {"foobar", "Zm9vYmFy", "Zm9vYmFy"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.bytes);
    const Bytes bytes = bytesOf(c.bytes);
    EXPECT_EQ(encodeBase64(bytes), c.standard);
    EXPECT_EQ(b64url(bytes), c.url);
    EXPECT_EQ(decodeBase64(c.standard), bytes);
  }
}

TEST(DeviceKeyBase64, UrlAlphabetReplacesPlusAndSlash) {
  const Bytes bytes{0xFB, 0xFF};
  EXPECT_EQ(encodeBase64(bytes), "+/8=");
  EXPECT_EQ(b64url(bytes), "-_8");
  EXPECT_EQ(decodeBase64("+/8="), bytes);
}

TEST(DeviceKeyBase64, EveryByteValueRoundTripsAtEveryPosition) {
  for (int value = 0; value < 256; ++value) {
    for (std::size_t length = 1; length <= 3; ++length) {
      // The byte in each position of a three-byte group, the others zero.
      for (std::size_t position = 0; position < length; ++position) {
        Bytes bytes(length, 0);
        bytes[position] = static_cast<std::uint8_t>(value);
        const std::string text = encodeBase64(bytes);
        ASSERT_EQ(decodeBase64(text), bytes) << value << " at " << position << " of " << length;
      }
    }
  }
  Bytes all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(decodeBase64(encodeBase64(all)), all);
}

TEST(DeviceKeyBase64, FixedSizesGiveFixedLengthsWithLeadingZerosKept) {
  Bytes coordinate(32, 0);
  coordinate[31] = 1;
  EXPECT_EQ(b64url(coordinate), "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAE");
  EXPECT_EQ(encodeBase64(coordinate).size(), 44u);
  EXPECT_EQ(b64url(Bytes(32, 0xFF)).size(), 43u);
  EXPECT_EQ(b64url(Bytes(64, 0x00)).size(), 86u);
  EXPECT_EQ(b64url(Bytes(64, 0xFF)).size(), 86u);
}

TEST(DeviceKeyBase64, LongInputHasNoLineBreaks) {
  const std::string text = encodeBase64(Bytes(3000, 0xAB));
  EXPECT_EQ(text.size(), 4000u);
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
}

TEST(DeviceKeyBase64, RejectsEverythingButStrictStandardText) {
  static constexpr struct {
    const char* what;
    std::string_view text;
  } kCases[] = {
      {"missing padding", "Zg"},
      {"short padding", "Zg="},
      {"three padding characters", "Zg==="},
      {"padding only", "===="},
      {"one symbol and padding", "Z==="},
      {"padding inside", "Zg==Zm9v"},
      {"padding before a symbol", "Zm=v"},
      {"length not a multiple of four", "Zm9vY"},
      {"space inside", "Zm9v YmFy"},
      {"leading space", " Zm9v"},
      {"carriage return at the end", "Zm9v\r"},
      {"line feed inside", "Zm9v\nYmFy"},
      {"url alphabet minus", "-_8="},
      {"url alphabet underscore", "__8="},
      {"url text without padding", "-_8"},
      {"NUL byte", std::string_view("Zm9\0", 4)},
      {"byte-order mark", "\xEF\xBB\xBFZm9v="},
      {"replacement character", "Zm9v\xEF\xBF\xBD="},
      {"non-zero bits after one byte", "Zh=="},
      {"non-zero bits after two bytes", "Zm9="},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(decodeBase64(c.text).has_value());
  }
}

TEST(DeviceKeyBase64, EmptyTextIsEmptyBytes) {
  const auto decoded = decodeBase64("");
  ASSERT_TRUE(decoded.has_value());
  EXPECT_TRUE(decoded->empty());
}

}  // namespace
}  // namespace ozmi::devicekey
