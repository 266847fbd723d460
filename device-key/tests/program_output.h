// Runs the built tool as the host does and checks what every run must hold: exit status 0,
// nothing on standard error, exactly one line on standard output, and that line one JSON object.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <string>
#include <vector>

#include "run_program.h"

namespace ozmi::devicekey::testing {

inline ozmi::testing::RunOptions runOptions(std::vector<std::string> args, std::string input = "",
                                            bool closeStdoutEarly = false) {
  ozmi::testing::RunOptions options;
  options.args = std::move(args);
  options.stdinData = std::move(input);
  options.closeStdoutEarly = closeStdoutEarly;
  return options;
}

// The one reply of a run, checked for what every run must hold.
inline nlohmann::json replyOf(const ozmi::testing::RunResult& result) {
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.termSignal, 0);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_FALSE(result.out.empty());
  EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << result.out;
  const auto reply = nlohmann::json::parse(result.out, nullptr, false);
  EXPECT_TRUE(reply.is_object()) << result.out;
  return reply;
}

// `timeout` only keeps a hanging run from hanging the test; huge inputs under the sanitizers
// take a while.
inline nlohmann::json runTool(std::vector<std::string> args, std::string input = "",
                              std::chrono::seconds timeout = std::chrono::seconds(60)) {
  auto options = runOptions(std::move(args), std::move(input));
  options.timeout = timeout;
  return replyOf(ozmi::testing::runProgram(OZMI_DEVICE_KEY, options));
}

inline nlohmann::json failure(const std::string& message) {
  return {{"error", message}, {"ok", false}, {"schema", 1}};
}

}  // namespace ozmi::devicekey::testing
