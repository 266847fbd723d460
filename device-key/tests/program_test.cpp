// The tool end to end on the paths that never reach the TPM.
#include <gtest/gtest.h>

#include <random>

#include "program_output.h"

namespace ozmi::devicekey::testing {
namespace {

TEST(DeviceKeyProgram, UsageAndUnknownCommands) {
  static const struct {
    std::vector<std::string> args;
    const char* error;
  } kCases[] = {
      {{}, "usage: ozmi-device-key available|create|sign|public"},
      {{""}, "unknown command "},
      {{"Available"}, "unknown command Available"},
      {{"sign/public", "sign"}, "unknown command sign/public"},
      {{"\xC3\xA9t\xC3\xA9"}, "unknown command \xC3\xA9t\xC3\xA9"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    EXPECT_EQ(runTool(c.args), failure(c.error));
  }
  // The slash is written escaped on the wire.
  const auto raw = ozmi::testing::runProgram(OZMI_DEVICE_KEY, runOptions({"a/b"}));
  EXPECT_EQ(raw.out, "{\"error\":\"unknown command a\\/b\",\"ok\":false,\"schema\":1}\n");
}

TEST(DeviceKeyProgram, CommandWordThatIsNotUtf8GivesTheFixedLine) {
  const auto result = ozmi::testing::runProgram(OZMI_DEVICE_KEY, runOptions({"sign\xFF"}));
  EXPECT_EQ(result.out, "{\"schema\":1,\"ok\":false}\n");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.exitStatus, 0);
}

TEST(DeviceKeyProgram, InputFailuresBeforeAnyKeyIsLoaded) {
  static const struct {
    const char* what;
    const char* command;
    std::string input;
    const char* error;
  } kCases[] = {
      {"sign, no input", "sign", "", "sign expects blob and data on stdin"},
      {"sign, one line", "sign", "AAAA\n", "sign expects blob and data on stdin"},
      {"sign, CR LF lines", "sign", "AAAA\r\nAAAA\r\n", "sign expects blob and data on stdin"},
      {"sign, blob not base64", "sign", "AAA\nAAAA\n", "blob is not base64"},
      {"sign, invalid UTF-8 blob", "sign", "AA\xFF\xFE\nAAAA\n", "blob is not base64"},
      {"public, no input", "public", "", "public expects blob on stdin"},
      {"public, line feeds only", "public", "\n\n\n", "public expects blob on stdin"},
      {"public, byte-order mark", "public", "\xEF\xBB\xBF" "AAAA\n", "blob is not base64"},
      {"public, CR LF", "public", "AAAA\r\n", "blob is not base64"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(runTool({c.command}, c.input), failure(c.error));
  }
}

// A read error is not an end of file: what came before it is not the host's input. A directory
// as standard input fails every read with EISDIR.
TEST(DeviceKeyProgram, UnreadableInputIsAFailure) {
  for (const char* command : {"sign", "public"}) {
    SCOPED_TRACE(command);
    const auto result = ozmi::testing::runProgram(
        "/bin/sh", runOptions({"-c", "exec \"$0\" \"$1\" < /", OZMI_DEVICE_KEY, command}));
    EXPECT_EQ(replyOf(result), failure("cannot read stdin"));
  }
}

TEST(DeviceKeyProgram, HugeAndBinaryInputGetsAFailureReply) {
  std::mt19937 random(7);
  std::string garbage(1 << 20, '\0');
  for (auto& c : garbage) c = static_cast<char>(random());
  garbage[0] = '!';  // so the first line is surely not base64
  EXPECT_EQ(runTool({"sign"}, garbage), failure("blob is not base64"));
  EXPECT_EQ(runTool({"public"}, garbage), failure("blob is not base64"));

  // 100 MB: one line of it, and tens of millions of lines that are not UTF-8.
  constexpr std::size_t kHuge = 100 << 20;
  constexpr auto kPatience = std::chrono::seconds(600);
  EXPECT_EQ(runTool({"sign"}, std::string(kHuge, '%') + "\nAAAA\n", kPatience), failure("blob is not base64"));
  std::string manyLines = "\xC3(\n";
  while (manyLines.size() < kHuge) manyLines += manyLines;
  EXPECT_EQ(runTool({"public"}, std::move(manyLines), kPatience), failure("blob is not base64"));
}

TEST(DeviceKeyProgram, ClosedStandardOutputStillExitsZero) {
  for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"sign"}}) {
    const auto result = ozmi::testing::runProgram(
        OZMI_DEVICE_KEY, runOptions(args, "AAAA\n", true));
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.termSignal, 0);
    EXPECT_EQ(result.err, "");
  }
}

}  // namespace
}  // namespace ozmi::devicekey::testing
