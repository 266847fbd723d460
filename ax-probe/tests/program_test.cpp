// The built program, run as the host runs it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "run_program.h"
#include "silent_peer.h"

namespace {

using ozmi::testing::RunOptions;
using ozmi::testing::runProgram;

constexpr char kProgram[] = OZMI_AX_PROBE;
constexpr char kNullLine[] = "{\"schema\":1,\"panel\":null}\n";

RunOptions withArgs(std::vector<std::string> args) {
  RunOptions options;
  options.args = std::move(args);
  return options;
}

TEST(AxProbeProgramTest, WithoutTheFlagTheFixedLine) {
  static const std::vector<std::string> kArgs[] = {
      {},
      {"--open-panel=1"},
      {"--OPEN-PANEL"},
      {"-open-panel"},
      {"\xff\xfe", "--open-pane\xcc"},
  };
  for (const auto& args : kArgs) {
    SCOPED_TRACE(testing::PrintToString(args));
    const auto r = runProgram(kProgram, withArgs(args));
    EXPECT_EQ(r.out, kNullLine);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitStatus, 0);
  }
}

TEST(AxProbeProgramTest, WithTheFlagOneLineOfJson) {
  // Where no desktop answers, the search finds no candidate: a valid report with no panel.
  static const std::vector<std::string> kArgs[] = {
      {"--open-panel"},
      {"x", "--open-panel"},
      {"--open-panel", "--open-panel"},
      {"\xff", "--open-panel", "\xc3"},
  };
  for (const auto& args : kArgs) {
    SCOPED_TRACE(testing::PrintToString(args));
    const auto r = runProgram(kProgram, withArgs(args));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitStatus, 0);
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1);
    const auto json = nlohmann::json::parse(r.out);
    EXPECT_EQ(json["schema"], 1);
    ASSERT_TRUE(json.contains("panel"));
    EXPECT_TRUE(json["panel"].is_null() || json["panel"].is_object());
  }
}

// A display that accepts the connection and never answers is no display: the search ends with
// no panel after a bounded wait instead of never.
TEST(AxProbeProgramTest, ADisplayThatNeverAnswersIsNoDisplay) {
  const auto silent = ozmi::testing::makeSilentDisplay();
  if (!silent) GTEST_SKIP() << "/tmp/.X11-unix cannot be used";
  RunOptions options = withArgs({"--open-panel"});
  options.environment = {"DISPLAY=" + silent->display};
  options.timeout = std::chrono::seconds(10);  // detects a hang; the wait itself is 1.5 s
  const auto r = runProgram(kProgram, options);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.out, kNullLine);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_TRUE(silent->socket->contacted());
}

TEST(AxProbeProgramTest, ClosedStdoutStillExitsZeroQuietly) {
  for (const bool flag : {false, true}) {
    SCOPED_TRACE(flag);
    RunOptions options;
    if (flag) options.args = {"--open-panel"};
    options.closeStdoutEarly = true;
    const auto r = runProgram(kProgram, options);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.termSignal, 0);
    EXPECT_EQ(r.exitStatus, 0);
  }
}

}  // namespace
