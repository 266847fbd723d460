#include "helper_options.h"

#include <gtest/gtest.h>

namespace ozmi::permission {
namespace {

using Strings = std::vector<std::string>;

TEST(SplitTest, KeepsNonEmptyPiecesInOrderUntrimmed) {
  static const struct {
    const char* text;
    Strings pieces;
  } kCases[] = {
      {"", {}},
      {",", {}},
      {",,,", {}},
      {"a", {"a"}},
      {"a,,b,", {"a", "b"}},
      {",a", {"a"}},
      {" a, b ", {" a", " b "}},
      {"a,a", {"a", "a"}},
      {"com.apple.Terminal,com.googlecode.iterm2", {"com.apple.Terminal", "com.googlecode.iterm2"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(split(c.text), c.pieces);
  }
}

const std::string kInvalid = "\xff\xfe";

TEST(ParseCommandLineTest, ModesAndOptions) {
  static const struct {
    const char* name;
    Strings args;
    Mode mode;
    Strings automation;
    Strings clients;
    std::string bundle;
    bool capture;
    std::string requestId;
  } kCases[] = {
      {"no arguments", {}, Mode::defaultReport, {}, {}, "", false, ""},
      {"version alone", {"--version"}, Mode::version, {}, {}, "", false, ""},
      {"capture then version", {"--capture", "--version"}, Mode::version, {}, {}, "", true, ""},
      {"version before front window", {"--version", "--front-window"}, Mode::version, {}, {}, "",
       false, ""},
      {"front window before version", {"--front-window", "--version"}, Mode::frontWindow, {}, {},
       "", false, ""},
      {"request with value", {"--request-automation", "com.apple.Finder", "--version"},
       Mode::requestAutomation, {}, {}, "", false, "com.apple.Finder"},
      {"request as last argument", {"--capture", "--request-automation"}, Mode::defaultReport, {},
       {}, "", true, ""},
      {"request takes an option as its value", {"--request-automation", "--version"},
       Mode::requestAutomation, {}, {}, "", false, "--version"},
      {"client swallows capture", {"--client", "--capture"}, Mode::defaultReport, {},
       {"--capture"}, "", false, ""},
      {"client as last argument", {"--client"}, Mode::defaultReport, {}, {}, "", false, ""},
      {"automation pieces", {"--automation", "a,,b,"}, Mode::defaultReport, {"a", "b"}, {}, "",
       false, ""},
      {"automation comma only", {"--automation", ","}, Mode::defaultReport, {}, {}, "", false, ""},
      {"second client replaces", {"--client", "a,b", "--client", "c"}, Mode::defaultReport, {},
       {"c"}, "", false, ""},
      {"second automation replaces", {"--automation", "a,b", "--automation", "c"},
       Mode::defaultReport, {"c"}, {}, "", false, ""},
      {"second bundle replaces", {"--bundle", "/A.app", "--bundle", "/B.app"}, Mode::defaultReport,
       {}, {}, "/B.app", false, ""},
      {"empty bundle taken", {"--bundle", "/A.app", "--bundle", ""}, Mode::defaultReport, {}, {},
       "", false, ""},
      {"bundle kept unchanged", {"--bundle", " /x, y "}, Mode::defaultReport, {}, {}, " /x, y ",
       false, ""},
      {"unknown arguments anywhere",
       {"-v", "--client", "c", "--CAPTURE", "--version=1", "--capture", "x"}, Mode::defaultReport,
       {}, {"c"}, "", true, ""},
      {"no abbreviations or equals forms", {"--vers", "--client=a", "--front"},
       Mode::defaultReport, {}, {}, "", false, ""},
      {"capture twice", {"--capture", "--capture"}, Mode::defaultReport, {}, {}, "", true, ""},
      {"everything before a terminal",
       {"--automation", "x", "--client", "y", "--bundle", "/z", "--capture", "--front-window"},
       Mode::frontWindow, {"x"}, {"y"}, "/z", true, ""},
      {"invalid utf-8 is no value for client", {"--client", kInvalid, "--capture"},
       Mode::defaultReport, {}, {}, "", true, ""},
      {"invalid utf-8 is no value for request", {"--request-automation", kInvalid},
       Mode::defaultReport, {}, {}, "", false, ""},
      {"invalid utf-8 matches nothing", {kInvalid, "--version"}, Mode::version, {}, {}, "", false,
       ""},
      {"version with a bad byte is no version", {"--version\xff"}, Mode::defaultReport, {}, {}, "",
       false, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const CommandLine command = parseCommandLine(c.args);
    EXPECT_EQ(command.mode, c.mode);
    EXPECT_EQ(command.options.automationList, c.automation);
    EXPECT_EQ(command.options.clientList, c.clients);
    EXPECT_EQ(command.options.bundlePath, c.bundle);
    EXPECT_EQ(command.options.capture, c.capture);
    EXPECT_EQ(command.requestBundleId, c.requestId);
  }
}

}  // namespace
}  // namespace ozmi::permission
