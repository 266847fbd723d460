#include "utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace ozmi::utf8 {
namespace {

using namespace std::string_literals;

constexpr const char* R = "\xEF\xBF\xBD";  // U+FFFD

// Each input with its repaired form; an input is valid exactly when repair leaves it as it is.
TEST(Utf8, ValidationAndRepair) {
  static const struct {
    const char* what;
    std::string in;
    std::string out;
  } kCases[] = {
      {"empty", "", ""},
      {"ascii with NUL", "a\0b"s, "a\0b"s},
      {"shortest and longest of each length", "\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
       "\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
      {"two-, three- and four-byte characters", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
       "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
      {"either side of the surrogates", "\xED\x9F\xBF\xEE\x80\x80", "\xED\x9F\xBF\xEE\x80\x80"},
      {"lone continuation byte", "a\x80z", "a"s + R + "z"},
      {"bytes never used", "\xFE\xFF", R + std::string(R)},
      {"overlong two-byte forms", "\xC0\xAF\xC1\xBF", R + std::string(R) + R + R},
      {"overlong three-byte form", "\xE0\x80\xAF", R + std::string(R) + R},
      {"overlong four-byte form", "\xF0\x8F\xBF\xBF", R + std::string(R) + R + R},
      {"surrogates", "\xED\xA0\x80\xED\xBF\xBF", R + std::string(R) + R + R + R + R},
      {"above U+10FFFF", "\xF4\x90\x80\x80", R + std::string(R) + R + R},
      {"lead byte past F4", "\xF5\x80\x80\x80", R + std::string(R) + R + R},
      {"truncated at the end", "ok\xE2\x82", "ok"s + R},
      {"truncated four-byte sequence", "\xF0\x9F\x98", R},
      {"lone lead at the end", "\xC3", R},
      {"truncated before ascii", "\xF0\x9F" "A", R + "A"s},
      {"truncated before a new sequence", "\xE2\x82\xE2\x82\xAC", R + "\xE2\x82\xAC"s},
      {"latin-1 title", "caf\xE9", "caf"s + R},
      {"latin-1 letter before ascii", "caf\xE9 bar", "caf"s + R + " bar"},
      {"maximal subparts", "a\xF1\x80\x80\xE1\x80\xC2" "b\x80" "c\x80\xBF" "d",
       "a"s + R + R + R + "b" + R + "c" + R + R + "d"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(repair(c.in), c.out);
    EXPECT_EQ(isValid(c.in), c.in == c.out);
    EXPECT_TRUE(isValid(c.out));
  }
}

// Where the well-formed start of a text ends: at the first byte of its first ill-formed subpart.
TEST(Utf8, WellFormedPrefix) {
  static const struct {
    const char* what;
    std::string in;
    std::size_t length;
  } kCases[] = {
      {"empty", "", 0},
      {"all well-formed", "a\0\xC3\xA9\xF0\x9F\x98\x80"s, 8},
      {"ill-formed first byte", "\xFFok", 0},
      {"truncated sequence first", "\xE2\x82" "a", 0},
      {"ascii then a stray byte", "ab\x80" "c", 2},
      {"a character then a surrogate", "\xC3\xA9\xED\xA0\x80", 2},
      {"truncated at the end", "ok\xE2\x82", 2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(wellFormedPrefix(c.in), c.length);
  }
}

}  // namespace
}  // namespace ozmi::utf8
