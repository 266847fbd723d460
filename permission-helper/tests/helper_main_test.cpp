#include "helper_main.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "fake_platform.h"
#include "json_line.h"

namespace ozmi::permission {
namespace {

using testing::FakePlatform;
using nlohmann::json;

TEST(WriteJsonLineTest, FailureForms) {
  const ozmi::json::Value good = ozmi::json::Value::Object{{"schema", 1}, {"path", "/a b/é"}};
  const ozmi::json::Value bad = ozmi::json::Value::Object{{"schema", 1}, {"t", "\xc3"}};
  static const struct {
    const char* name;
    const ozmi::json::Value* value;
    FailureForm form;
    const char* line;
  } kCases[] = {
      {"report", &good, FailureForm::errorLine, "{\"schema\":1,\"path\":\"\\/a b\\/é\"}\n"},
      {"side mode", &good, FailureForm::lineFeedOnly, "{\"schema\":1,\"path\":\"\\/a b\\/é\"}\n"},
      {"report that cannot be written", &bad, FailureForm::errorLine,
       "{\"schema\":1,\"error\":\"serialize\"}\n"},
      {"side mode that cannot be written", &bad, FailureForm::lineFeedOnly, "\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(writeJsonLine(*c.value, c.form), c.line);
  }
}

TEST(RunHelperTest, DefaultReportHasNineKeysInSectionOrder) {
  FakePlatform platform;
  const std::string line = runHelper({}, platform);
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line.back(), '\n');
  EXPECT_EQ(line.find('\n'), line.size() - 1);
  const json report = json::parse(line);
  std::vector<std::string> keys;
  // Parse again keeping order, to see the order in which the keys were written.
  const nlohmann::ordered_json ordered = nlohmann::ordered_json::parse(line);
  for (auto it = ordered.begin(); it != ordered.end(); ++it) keys.push_back(it.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"schema", "macos", "process", "accessibility", "screen",
                                            "input", "automation", "fullDisk", "tcc"}));
  EXPECT_EQ(report["schema"], 1);
  EXPECT_EQ(report["macos"], "14.5.0");
  EXPECT_EQ(report["tcc"], json::parse(R"({"status":"skipped"})"));
  EXPECT_EQ(report["accessibility"], json::parse(R"({"skipped":"tcc-unreadable"})"));
  EXPECT_EQ(report["automation"], json::array());
  EXPECT_EQ(report["screen"]["capture"], "skipped");
}

TEST(RunHelperTest, SectionsRunInTheirOrderAndPassTheirResultsOn) {
  FakePlatform platform;
  platform.hasResponsibility = true;
  platform.responsible = {{100, 70}};
  platform.captureAccess = true;
  platform.windows = std::vector<desktop::OnScreenWindow>{{70, std::nullopt, 0, "responsible"},
                                                          {71, std::nullopt, 0, "x"}};
  const json report =
      json::parse(runHelper({"--capture", "--automation", "t", "--client", "c"}, platform));
  EXPECT_EQ(report["screen"]["foreignWindows"], 1);
  EXPECT_EQ(report["screen"]["capture"], "image");
  EXPECT_EQ(report["process"]["responsiblePid"], 70);
  EXPECT_EQ(report["tcc"]["user"], "open-failed-14");
  EXPECT_EQ(report["automation"][0]["bundleId"], "t");
  // Each section's first question, in the order the report builds them.
  const std::vector<std::string> firsts = {"lookUpResponsibility", "preflight", "input 1",
                                           "target t", "open /Users/tester/Library/Application Support/com.apple.TCC/TCC.db"};
  std::size_t at = 0;
  for (const std::string& call : platform.calls) {
    if (at < firsts.size() && call == firsts[at]) ++at;
  }
  EXPECT_EQ(at, firsts.size());
}

TEST(RunHelperTest, SideModes) {
  static const struct {
    const char* name;
    std::vector<std::string> args;
    const char* line;
  } kCases[] = {
      {"version", {"--version"}, "{\"schema\":1}\n"},
      {"capture then version", {"--capture", "--version"}, "{\"schema\":1}\n"},
      {"front window", {"--client", "x", "--front-window", "--version"},
       "{\"schema\":1,\"front\":null}\n"},
      {"request", {"--request-automation", "com.apple.Finder", "--front-window"},
       "{\"schema\":1,\"request\":{\"bundleId\":\"com.apple.Finder\",\"status\":0,\"result\":\"granted\"}}\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    EXPECT_EQ(runHelper(c.args, platform), c.line);
    for (const std::string& call : platform.calls) EXPECT_FALSE(call.starts_with("open"));
  }
}

TEST(RunHelperTest, FrontWindowThatCannotBeWrittenIsABareLineFeed) {
  FakePlatform platform;
  platform.front = desktop::FrontmostApplication{1, "bad \xff name", std::nullopt, std::nullopt};
  EXPECT_EQ(runHelper({"--front-window"}, platform), "\n");
}

TEST(MacosValueTest, DecimalMajorFirst) {
  EXPECT_EQ(macosValue({14, 5, 0}), "14.5.0");
  EXPECT_EQ(macosValue({0, 0, 0}), "0.0.0");
  EXPECT_EQ(macosValue({-1, 9223372036854775807, 10}), "-1.9223372036854775807.10");
}

}  // namespace
}  // namespace ozmi::permission
