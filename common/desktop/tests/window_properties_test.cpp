#include "window_properties_linux.h"

#include <gtest/gtest.h>

#include <string>

namespace ozmi::desktop {
namespace {

using namespace std::string_literals;

TEST(Latin1ToUtf8, EncodesTheUpperHalf) {
  EXPECT_EQ(latin1ToUtf8("caf\xE9 \xFF\x80"), "caf\xC3\xA9 \xC3\xBF\xC2\x80");
  EXPECT_EQ(latin1ToUtf8("plain"), "plain");
}

TEST(ProcessNameFromComm, TakesTheFirstLine) {
  EXPECT_EQ(processNameFromComm("openbox\n"), "openbox");
  EXPECT_EQ(processNameFromComm("no newline"), "no newline");
  EXPECT_EQ(processNameFromComm("\n"), std::nullopt);
  EXPECT_EQ(processNameFromComm(""), std::nullopt);
  EXPECT_EQ(processNameFromComm("bad\xFF\n"), "bad\xEF\xBF\xBD");
}

TEST(ParseWmClass, SplitsInstanceAndClass) {
  static const struct {
    const char* what;
    std::string in;
    std::optional<std::pair<std::string, std::string>> out;
  } kCases[] = {
      {"usual form", "gedit\0Gedit\0"s, std::pair{"gedit"s, "Gedit"s}},
      {"final NUL missing", "gedit\0Gedit"s, std::pair{"gedit"s, "Gedit"s}},
      {"empty class", "gedit\0"s, std::pair{"gedit"s, ""s}},
      {"no separator", "gedit", std::nullopt},
      {"empty value", "", std::nullopt},
      {"trailing junk after the class", "a\0B\0junk"s, std::pair{"a"s, "B"s}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const auto parsed = parseWmClass(c.in);
    ASSERT_EQ(parsed.has_value(), c.out.has_value());
    if (parsed) {
      EXPECT_EQ(parsed->instance, c.out->first);
      EXPECT_EQ(parsed->className, c.out->second);
    }
  }
}

TEST(WindowLayer, OrdinaryWindowsAreLayerZeroAndTheDesktopIsLeftOut) {
  static const struct {
    const char* what;
    std::vector<std::string> types;
    std::vector<std::string> states;
    bool overrideRedirect;
    std::optional<std::int32_t> layer;
  } kCases[] = {
      {"no hints", {}, {}, false, 0},
      {"normal", {"_NET_WM_WINDOW_TYPE_NORMAL"}, {}, false, 0},
      {"dialog", {"_NET_WM_WINDOW_TYPE_DIALOG"}, {"_NET_WM_STATE_MODAL"}, false, 0},
      {"desktop", {"_NET_WM_WINDOW_TYPE_DESKTOP"}, {}, false, std::nullopt},
      {"dock", {"_NET_WM_WINDOW_TYPE_DOCK"}, {}, false, 20},
      {"tooltip", {"_NET_WM_WINDOW_TYPE_TOOLTIP"}, {}, false, 101},
      {"override-redirect popup", {}, {}, true, 101},
      {"kept above", {"_NET_WM_WINDOW_TYPE_NORMAL"}, {"_NET_WM_STATE_ABOVE"}, false, 3},
      {"unknown type, then a known one", {"_KDE_NET_WM_WINDOW_TYPE_OVERRIDE", "_NET_WM_WINDOW_TYPE_DOCK"}, {},
       false, 20},
      {"first known type wins", {"_NET_WM_WINDOW_TYPE_DIALOG", "_NET_WM_WINDOW_TYPE_DESKTOP"}, {}, false, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(windowLayer({c.types, c.states, c.overrideRedirect}), c.layer);
  }
}

}  // namespace
}  // namespace ozmi::desktop
