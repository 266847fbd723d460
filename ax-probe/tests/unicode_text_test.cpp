#include "unicode_text.h"

#include <gtest/gtest.h>

namespace ozmi::probe {
namespace {

// The same expectations hold on both systems; the rows marked "macOS:" are those where
// CoreFoundation's answer has not yet been seen on a Mac.
TEST(UnicodeTextTest, Lowercased) {
  static constexpr struct {
    const char* text;
    const char* lower;
  } kCases[] = {
      {"OPEN", "open"},
      {"oPeN", "open"},
      {"\xc3\x96" "FFNEN", "\xc3\xb6" "ffnen"},                      // ÖFFNEN
      {"\xd0\x9e\xd0\xa2\xd0\x9a\xd0\xa0\xd0\xab\xd0\xa2\xd0\xac",  // ОТКРЫТЬ
       "\xd0\xbe\xd1\x82\xd0\xba\xd1\x80\xd1\x8b\xd1\x82\xd1\x8c"},
      {"\xce\xa3", "\xcf\x83"},  // Σ
      {"Open\xe2\x80\xa6", "open\xe2\x80\xa6"},
      {"", ""},
      {"A\xff" "B", "a\xff" "b"},  // a stray byte is kept
      // İMPORT: the dot stays, so it is not "import". macOS: the full mapping of U+0130 is
      // expected from CFStringLowercase without a locale; a simple mapping would give "import".
      {"\xc4\xb0MPORT", "i\xcc\x87mport"},
      {"\xe2\x84\xaa", "k"},                // KELVIN SIGN
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(lowercased(c.text), c.lower);
  }
}

TEST(UnicodeTextTest, CharacterCountIsInGraphemeClusters) {
  static constexpr struct {
    const char* text;
    std::size_t count;
  } kCases[] = {
      {"", 0},
      {"/tmp", 4},
      {"/\xc3\xa9", 2},                              // é precomposed
      {"/e\xcc\x81", 2},                             // e + combining acute
      // A flag: two regional indicators. macOS: Apple's description of a composed character
      // sequence does not name them.
      {"\xf0\x9f\x87\xa9\xf0\x9f\x87\xaa", 1},
      {"\xf0\x9f\x91\xa9\xe2\x80\x8d\xf0\x9f\x92\xbb", 1},  // woman + ZWJ + laptop
      {"\r\n", 1},  // macOS: nor does it name a CR LF pair
      {"a\xff\xfe" "b", 4},
      {"\xe2\x82" "b", 3},  // a sequence cut short is two stray bytes, not one character
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(characterCount(c.text), c.count);
  }
}

}  // namespace
}  // namespace ozmi::probe
