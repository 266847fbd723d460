#include "stdin_lines.h"

#include <gtest/gtest.h>

#include "utf8.h"

namespace ozmi::devicekey {
namespace {

using Lines = std::vector<std::string>;

TEST(DeviceKeyStdinLines, SplitsDropsAndTrims) {
  static const struct {
    const char* what;
    std::string input;
    Lines lines;
  } kCases[] = {
      {"empty input", "", {}},
      {"line feeds only", "\n\n\n", {}},
      {"no final line feed", "A\nB", {"A", "B"}},
      {"final line feed", "A\nB\n", {"A", "B"}},
      {"empty lines around and between", "\n\nA\n\nB\n", {"A", "B"}},
      {"a line of blanks stays as an empty entry", "  \nB\n", {"", "B"}},
      {"tabs and spaces trimmed", "\tA \n", {"A"}},
      {"blanks inside kept", "A B\n", {"A B"}},
      {"CR LF does not split and is not trimmed", "A\r\nB\r\n", {"A\r\nB\r\n"}},
      {"lone CR does not split", "A\rB\n", {"A\rB"}},
      {"CR then two line feeds", "A\r\n\nB", {"A\r\n", "B"}},
      {"byte-order mark kept", "\xEF\xBB\xBF" "A\nB", {"\xEF\xBB\xBF" "A", "B"}},
      {"vertical tab, form feed, NEL, LS, PS neither split nor trimmed",
       "\vA\f\n\xC2\x85" "B\xE2\x80\xA8\n\xE2\x80\xA9", {"\vA\f", "\xC2\x85" "B\xE2\x80\xA8", "\xE2\x80\xA9"}},
      {"every space separator trimmed",
       "\xC2\xA0\xE1\x9A\x80\xE2\x80\x80\xE2\x80\x8A\xE2\x80\xAF\xE2\x81\x9F\xE3\x80\x80" "A"
       "\xE2\x80\x85\xE2\x80\x89 \t",
       {"A"}},
      {"zero width space is not blank", "\xE2\x80\x8B" "A", {"\xE2\x80\x8B" "A"}},
      {"NUL bytes are kept", std::string("A\0B\n", 4), {std::string("A\0B", 3)}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(stdinLines(c.input), c.lines);
  }
}

TEST(DeviceKeyStdinLines, IllFormedUtf8BecomesReplacementCharacters) {
  static constexpr std::string_view kFffd = "\xEF\xBF\xBD";
  static const struct {
    const char* what;
    std::string_view input;
    std::size_t replacements;  // the whole input is ill-formed
  } kCases[] = {
      {"lone continuation byte", "\x80", 1},
      {"byte never used", "\xFF", 1},
      {"overlong two-byte form", "\xC0\xAF", 2},
      {"truncated three-byte sequence", "\xE2\x82", 1},
      {"truncated four-byte sequence", "\xF0\x9F\x98", 1},
      {"overlong three-byte form", "\xE0\x80\x80", 3},
      {"surrogate", "\xED\xA0\x80", 3},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", 4},
      {"lead byte past F4", "\xF5\x80\x80\x80", 4},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    std::string expected;
    for (std::size_t i = 0; i < c.replacements; ++i) expected += kFffd;
    EXPECT_EQ(utf8::repair(c.input), expected);
    EXPECT_EQ(stdinLines(std::string("A") + std::string(c.input) + "B\n"), Lines{"A" + expected + "B"});
  }
  // Well-formed text passes unchanged, the highest code point included.
  const std::string good = "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";
  EXPECT_EQ(utf8::repair(good), good);
}

TEST(DeviceKeyStdinLines, IllFormedByteBeforeLineFeedStillSplits) {
  EXPECT_EQ(stdinLines("A\xE2\x82\nB"), (Lines{"A\xEF\xBF\xBD", "B"}));
}

TEST(DeviceKeyStdinLines, KeepsOnlyTheEntriesAskedFor) {
  EXPECT_EQ(stdinLines("\nA\n\nB\nC\n", 2), (Lines{"A", "B"}));
  EXPECT_EQ(stdinLines("A\n", 2), Lines{"A"});
}

TEST(DeviceKeyStdinLines, LongBlankRunsAreTrimmed) {
  const std::string blanks(1 << 20, ' ');
  EXPECT_EQ(stdinLines(blanks + "A" + blanks + "\n" + blanks), (Lines{"A", ""}));
}

}  // namespace
}  // namespace ozmi::devicekey
