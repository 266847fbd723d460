// The sections of the default report over a fake platform.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "accessibility_section.h"
#include "automation_section.h"
#include "fake_platform.h"
#include "front_window.h"
#include "full_disk_section.h"
#include "process_section.h"
#include "screen_input.h"

namespace ozmi::permission {
namespace {

using testing::FakePlatform;
using nlohmann::json;
using Window = desktop::OnScreenWindow;

// A window as the sections read it: owner, layer and name.
Window window(std::optional<std::int64_t> owner, std::optional<std::int64_t> layer,
              std::optional<std::string> name) {
  return {owner, std::nullopt, layer, std::move(name)};
}

json parsed(const ozmi::json::Value& value) {
  std::optional<std::string> text = ozmi::json::write(value);
  EXPECT_TRUE(text);
  return json::parse(text.value_or("null"));
}

// A tcc object from JSON text, as the database reader would have built it.
ozmi::json::Value tccValue(const json& j) {
  switch (j.type()) {
    case json::value_t::object: {
      ozmi::json::Value::Object members;
      for (auto it = j.begin(); it != j.end(); ++it) members.push_back({it.key(), tccValue(*it)});
      return members;
    }
    case json::value_t::array: {
      ozmi::json::Value::Array items;
      for (const json& item : j) items.push_back(tccValue(item));
      return items;
    }
    case json::value_t::string: return j.get<std::string>();
    case json::value_t::boolean: return j.get<bool>();
    case json::value_t::number_integer:
    case json::value_t::number_unsigned: return j.get<std::int64_t>();
    default: return ozmi::json::Null{};
  }
}

TEST(AccessibilitySectionTest, Verdicts) {
  const char* ax = R"("service":"kTCCServiceAccessibility")";
  auto rowText = [&](const char* db, int auth, const char* csreq) {
    return std::string(R"({"db":")") + db + R"(",)" + ax + R"(,"authValue":)" +
           std::to_string(auth) + R"(,"csreq":")" + csreq + R"("})";
  };
  auto tcc = [](const std::string& system, const std::string& rows) {
    return R"({"user":"ok","system":")" + system + R"(","rows":[)" + rows + "]}";
  };
  static const struct {
    const char* name;
    std::string tcc;
    const char* expected;
  } kCases[] = {
      {"skipped shape", R"({"status":"skipped"})", R"({"skipped":"tcc-unreadable"})"},
      {"system open failed", tcc("open-failed-14", rowText("system", 2, "none")),
       R"({"skipped":"tcc-unreadable"})"},
      {"system query failed", tcc("query-failed-1", ""), R"({"skipped":"tcc-unreadable"})"},
      {"no rows", tcc("ok", ""), R"({"skipped":"no-row"})"},
      {"rows missing", R"({"user":"ok","system":"ok"})", R"({"skipped":"no-row"})"},
      {"user row only", tcc("ok", rowText("user", 2, "none")), R"({"skipped":"no-row"})"},
      {"other service only",
       tcc("ok", R"({"db":"system","service":"kTCCServiceCamera","authValue":2,"csreq":"none"})"),
       R"({"skipped":"no-row"})"},
      {"row without service",
       tcc("ok", R"({"db":"system","authValue":2,"csreq":"none"})"), R"({"skipped":"no-row"})"},
      {"denied", tcc("ok", rowText("system", 0, "none")), R"({"skipped":"not-allowed"})"},
      {"limited is not allowed", tcc("ok", rowText("system", 1, "matches")),
       R"({"skipped":"not-allowed"})"},
      {"stale grant", tcc("ok", rowText("system", 2, "mismatch")), R"({"skipped":"stale-grant"})"},
      {"first denied then granted",
       tcc("ok", rowText("system", 0, "none") + "," + rowText("system", 2, "none")),
       R"({"trusted":true})"},
      {"last row decides without a grant",
       tcc("ok", rowText("system", 2, "mismatch") + "," + rowText("system", 0, "none")),
       R"({"skipped":"not-allowed"})"},
      {"first grant decides",
       tcc("ok", rowText("system", 3, "unchecked") + "," + rowText("system", 2, "mismatch")),
       R"({"trusted":true})"},
      {"grant with unparseable requirement", tcc("ok", rowText("system", 2, "unparseable")),
       R"({"trusted":true})"},
      {"grant with matching requirement", tcc("ok", rowText("system", 2, "matches")),
       R"({"trusted":true})"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    const json out = parsed(accessibilitySection(tccValue(json::parse(c.tcc)), platform));
    EXPECT_EQ(out, json::parse(c.expected));
    EXPECT_EQ(platform.count("trusted"), out.contains("trusted") ? 1 : 0);
  }
}

TEST(AccessibilitySectionTest, AllowedButNotTrusted) {
  FakePlatform platform;
  platform.trusted = false;
  const json tcc = json::parse(
      R"({"user":"ok","system":"ok","rows":[{"db":"system","service":"kTCCServiceAccessibility","authValue":3,"csreq":"unchecked"}]})");
  EXPECT_EQ(parsed(accessibilitySection(tccValue(tcc), platform)),
            json::parse(R"({"trusted":false})"));
}

TEST(ProcessSectionTest, WithoutResponsibilityFunction) {
  FakePlatform platform;
  platform.executablePaths[50] = "/Applications/Host.app/Contents/MacOS/Host";
  const ProcessSection section = processSection(platform);
  EXPECT_EQ(section.responsiblePid, -1);
  EXPECT_EQ(*ozmi::json::write(section.object),
            R"({"pid":100,"ppid":50,"parentPath":"\/Applications\/Host.app\/Contents\/MacOS\/Host",)"
            R"("responsiblePid":null,"responsiblePath":null,"api":"unavailable"})");
  EXPECT_EQ(platform.calls.front(), "lookUpResponsibility");
}

TEST(ProcessSectionTest, WithResponsibilityFunction) {
  static const struct {
    const char* name;
    std::int32_t responsible;
    std::int32_t parentResponsible;
    const char* expected;
  } kCases[] = {
      {"the parent", 50, 50,
       R"({"pid":100,"ppid":50,"parentPath":"\/bin\/host","responsiblePid":50,"parentResponsiblePid":50,)"
       R"("responsiblePath":"\/bin\/host","responsibleIsParent":true,"responsibleIsSelf":false,"api":"ok"})"},
      {"itself", 100, 7,
       R"({"pid":100,"ppid":50,"parentPath":"\/bin\/host","responsiblePid":100,"parentResponsiblePid":7,)"
       R"("responsiblePath":"\/bin\/self","responsibleIsParent":false,"responsibleIsSelf":true,"api":"ok"})"},
      {"another without a path", 77, 77,
       R"({"pid":100,"ppid":50,"parentPath":"\/bin\/host","responsiblePid":77,"parentResponsiblePid":77,)"
       R"("responsiblePath":null,"responsibleIsParent":false,"responsibleIsSelf":false,"api":"ok"})"},
      {"zero", 0, -3,
       R"({"pid":100,"ppid":50,"parentPath":"\/bin\/host","responsiblePid":0,"parentResponsiblePid":-3,)"
       R"("responsiblePath":null,"responsibleIsParent":false,"responsibleIsSelf":false,"api":"ok"})"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    platform.hasResponsibility = true;
    platform.responsible = {{100, c.responsible}, {50, c.parentResponsible}};
    platform.executablePaths = {{50, "/bin/host"}, {100, "/bin/self"}, {0, "/never"}};
    const ProcessSection section = processSection(platform);
    EXPECT_EQ(section.responsiblePid, c.responsible);
    EXPECT_EQ(*ozmi::json::write(section.object), c.expected);
    EXPECT_EQ(platform.count("path 0"), 0);
  }
}

// The parent may exit while the object is built; the host is then re-parented. Every key must
// still speak of the parent that "ppid" names, not of its successor.
TEST(ProcessSectionTest, ParentExitingMidwayLeavesOneConsistentParent) {
  class ReparentedPlatform : public FakePlatform {
   public:
    std::int32_t ppid() override {
      const std::int32_t answer = asked++ == 0 ? 50 : 1;
      calls.push_back("ppid");
      return answer;
    }
    int asked = 0;
  };
  ReparentedPlatform platform;
  platform.hasResponsibility = true;
  platform.responsible = {{100, 50}, {50, 50}, {1, 1}};
  platform.executablePaths = {{1, "/sbin/launchd"}};
  const json out = parsed(processSection(platform).object);
  EXPECT_EQ(out["ppid"], 50);
  EXPECT_TRUE(out["parentPath"].is_null());
  EXPECT_EQ(out["parentResponsiblePid"], 50);
  EXPECT_EQ(out["responsibleIsParent"], true);
  EXPECT_EQ(platform.count("path 1"), 0);
}

TEST(ProcessSectionTest, UnreadableParentPaths) {
  static const struct {
    const char* name;
    std::optional<std::string> path;
  } kCases[] = {{"gone", std::nullopt}, {"empty", ""}, {"not utf-8", "/bin/\xff"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    if (c.path) platform.executablePaths[50] = *c.path;
    EXPECT_TRUE(parsed(processSection(platform).object)["parentPath"].is_null());
  }
}

TEST(ScreenSectionTest, CountsForeignWindowsAtLayerZero) {
  const std::vector<Window> windows = {
      window(200, 0, "Mail"),         // counted, titled
      window(201, 0, ""),             // counted, untitled
      window(202, 0, std::nullopt),   // counted, untitled
      window(100, 0, "Own"),          // this process
      window(50, 0, "Parent"),        // the parent
      window(70, 0, "Responsible"),   // the responsible process
      window(203, 25, "Menu"),        // another layer
      window(204, std::nullopt, "x"), // no layer
      window(std::nullopt, 0, "y"),   // no owner
      window(205, -1, "z"),
  };
  static const struct {
    const char* name;
    std::int32_t responsible;
    int foreign;
    int titled;
  } kCases[] = {{"responsible known", 70, 3, 1}, {"responsible unknown", -1, 4, 2}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    platform.windows = windows;
    const json out = parsed(screenSection(c.responsible, false, platform));
    EXPECT_EQ(out["windowList"], "ok");
    EXPECT_EQ(out["foreignWindows"], c.foreign);
    EXPECT_EQ(out["foreignWindowsTitled"], c.titled);
  }
}

TEST(ScreenSectionTest, ListAndCaptureOutcomes) {
  static const struct {
    const char* name;
    bool access;
    bool hasList;
    bool capture;
    CaptureOutcome outcome;
    const char* expected;
    bool captured;
  } kCases[] = {
      {"no list, no flag", true, false, false, CaptureOutcome::image,
       R"({"preflight":true,"windowList":"unavailable","foreignWindows":0,"foreignWindowsTitled":0,"capture":"skipped"})",
       false},
      {"empty list", false, true, false, CaptureOutcome::image,
       R"({"preflight":false,"windowList":"ok","foreignWindows":0,"foreignWindowsTitled":0,"capture":"skipped"})",
       false},
      {"flag without access", false, true, true, CaptureOutcome::image,
       R"({"preflight":false,"windowList":"ok","foreignWindows":0,"foreignWindowsTitled":0,"capture":"skipped-not-granted"})",
       false},
      {"no capture function", true, true, true, CaptureOutcome::functionUnavailable,
       R"({"preflight":true,"windowList":"ok","foreignWindows":0,"foreignWindowsTitled":0,"capture":"unavailable"})",
       true},
      {"image", true, true, true, CaptureOutcome::image,
       R"({"preflight":true,"windowList":"ok","foreignWindows":0,"foreignWindowsTitled":0,"capture":"image"})",
       true},
      {"no image", true, true, true, CaptureOutcome::noImage,
       R"({"preflight":true,"windowList":"ok","foreignWindows":0,"foreignWindowsTitled":0,"capture":"null"})",
       true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    platform.captureAccess = c.access;
    if (c.hasList) {
      platform.windows = std::vector<Window>{window(100, 0, "mine"), window(50, 0, "parent")};
    }
    platform.captureOutcome = c.outcome;
    EXPECT_EQ(*ozmi::json::write(screenSection(-1, c.capture, platform)), c.expected);
    EXPECT_EQ(platform.count("capture"), c.captured ? 1 : 0);
  }
}

TEST(InputSectionTest, AccessWords) {
  static const struct {
    std::uint32_t type;
    const char* word;
  } kCases[] = {{0, "granted"},     {1, "denied"},      {2, "not-determined"},
                {3, "unavailable"}, {42, "unavailable"}, {0xffffffff, "unavailable"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(accessWord(c.type), c.word);
  }
  FakePlatform platform;
  platform.inputAccessTypes = {{1, 0}, {0, 2}};
  EXPECT_EQ(*ozmi::json::write(inputSection(platform)),
            R"({"listenEvent":"granted","postEvent":"not-determined"})");
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"input 1", "input 0"}));
}

TEST(AutomationTest, ResultWords) {
  static const struct {
    std::int32_t status;
    const char* word;
  } kCases[] = {{0, "granted"},  {-1743, "denied"}, {-1744, "not-determined"},
                {-600, "not-running"}, {-1700, "error"}, {1, "error"},
                {-1742, "error"}, {-1745, "error"}, {INT32_MIN, "error"}, {INT32_MAX, "error"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.status);
    EXPECT_EQ(automationResult(c.status), c.word);
  }
}

TEST(AutomationTest, SectionAsksEachTargetWithoutPrompting) {
  FakePlatform platform;
  platform.installedApps = {"com.apple.Finder", "com.apple.Mail"};
  platform.runningApps = {"com.apple.Finder"};
  platform.permissionStatus = {{"com.apple.Mail", -1744}, {"gone", -600}};
  platform.targetFailures = {{"bad", -1701}};
  const json out =
      parsed(automationSection({"com.apple.Finder", "com.apple.Mail", "gone", "bad", "com.apple.Finder"},
                               platform));
  EXPECT_EQ(out, json::parse(R"([
    {"bundleId":"com.apple.Finder","installed":true,"running":true,"status":0,"result":"granted"},
    {"bundleId":"com.apple.Mail","installed":true,"running":false,"status":-1744,"result":"not-determined"},
    {"bundleId":"gone","installed":false,"running":false,"status":-600,"result":"not-running"},
    {"bundleId":"bad","installed":false,"running":false,"status":-1701,"result":"error"},
    {"bundleId":"com.apple.Finder","installed":true,"running":true,"status":0,"result":"granted"}
  ])"));
  EXPECT_EQ(platform.count("determine com.apple.Finder"), 2);
  EXPECT_EQ(platform.count("determine bad"), 0);
  for (const std::string& call : platform.calls) EXPECT_FALSE(call.starts_with("ask "));
  EXPECT_EQ(parsed(automationSection({}, platform)), json::array());
}

TEST(AutomationTest, RequestAsksAndMayPrompt) {
  FakePlatform platform;
  platform.permissionStatus = {{"com.apple.Terminal", -1743}};
  platform.targetFailures = {{"bad", -1701}};
  EXPECT_EQ(*ozmi::json::write(requestAutomation("com.apple.Terminal", platform)),
            R"({"schema":1,"request":{"bundleId":"com.apple.Terminal","status":-1743,"result":"denied"}})");
  EXPECT_EQ(platform.count("ask com.apple.Terminal"), 1);
  EXPECT_EQ(*ozmi::json::write(requestAutomation("bad", platform)),
            R"({"schema":1,"request":{"bundleId":"bad","status":-1701,"result":"error"}})");
}

TEST(FullDiskTest, ErrnoNames) {
  static const struct {
    int error;
    const char* name;
  } kCases[] = {{0, "ok"},       {1, "EPERM"},       {2, "ENOENT"},     {13, "EACCES"},
                {20, "ENOTDIR"}, {3, "errno-3"},     {21, "errno-21"},  {-1, "errno--1"},
                {40, "errno-40"}, {INT32_MAX, "errno-2147483647"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.error);
    EXPECT_EQ(errnoName(c.error), c.name);
  }
}

TEST(FullDiskTest, ProbeOutcomes) {
  static const struct {
    const char* name;
    bool directory;
    int openError;
    int readError;
    std::optional<ListingResult> listing;
    const char* word;
  } kCases[] = {
      {"readable file", false, 0, 0, std::nullopt, "ok"},
      {"missing file", false, 2, 0, std::nullopt, "ENOENT"},
      {"under a file", false, 20, 0, std::nullopt, "ENOTDIR"},
      {"not permitted", false, 1, 0, std::nullopt, "EPERM"},
      {"read fails", false, 0, 21, std::nullopt, "errno-21"},
      {"listable folder", true, 0, 0, std::nullopt, "ok"},
      {"folder open denied", true, 13, 0, std::nullopt, "EACCES"},
      {"listing fails with a number", true, 0, 0, ListingResult{false, 1}, "EPERM"},
      {"listing fails with another number", true, 0, 0, ListingResult{false, 5}, "errno-5"},
      {"listing fails without a number", true, 0, 0, ListingResult{false, std::nullopt}, "EPERM"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    platform.openErrors["/p"] = c.openError;
    platform.readErrors["/p"] = c.readError;
    if (c.listing) platform.listings["/p"] = *c.listing;
    EXPECT_EQ(probeOpen("/p", c.directory, platform), c.word);
    EXPECT_EQ(platform.openDescriptors, 0);
    EXPECT_EQ(platform.count("list /p"), c.directory && c.openError == 0 ? 1 : 0);
  }
}

TEST(FullDiskTest, SectionProbesFourLocationsInOrder) {
  FakePlatform platform;
  platform.passwdHome = "/Users/tester/";
  platform.openErrors["/Library/Application Support/com.apple.TCC/TCC.db"] = 1;
  platform.openErrors["/Users/tester/Library/Mail"] = 2;
  EXPECT_EQ(*ozmi::json::write(fullDiskSection(platform)),
            R"({"userTccDb":"ok","systemTccDb":"EPERM","safariDir":"ok","mailDir":"ENOENT"})");
  std::vector<std::string> opens;
  for (const std::string& call : platform.calls) {
    if (call.starts_with("open")) opens.push_back(call);
  }
  EXPECT_EQ(opens, (std::vector<std::string>{
                       "open /Users/tester/Library/Application Support/com.apple.TCC/TCC.db",
                       "open /Library/Application Support/com.apple.TCC/TCC.db",
                       "opendir /Users/tester/Library/Safari",
                       "opendir /Users/tester/Library/Mail"}));
}

TEST(FullDiskTest, HomeFallsBackWithoutAPasswordEntry) {
  static const struct {
    const char* name;
    std::optional<std::string> passwd;
    const char* firstOpen;
  } kCases[] = {
      {"entry", "/home/u", "open /home/u/Library/Application Support/com.apple.TCC/TCC.db"},
      {"no entry", std::nullopt,
       "open /fallback-home/Library/Application Support/com.apple.TCC/TCC.db"},
      {"empty field", "", "open /fallback-home/Library/Application Support/com.apple.TCC/TCC.db"},
      {"root", "/", "open /Library/Application Support/com.apple.TCC/TCC.db"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    platform.passwdHome = c.passwd;
    fullDiskSection(platform);
    EXPECT_EQ(platform.calls.front(), c.firstOpen);
  }
}

TEST(FrontWindowTest, NoFrontmostApplication) {
  FakePlatform platform;
  platform.windows = std::vector<Window>{window(1, 0, "x")};
  EXPECT_EQ(*ozmi::json::write(frontWindow(platform)), R"({"schema":1,"front":null})");
}

TEST(FrontWindowTest, TitleOfTheFirstNamedWindowAtLayerZero) {
  static const struct {
    const char* name;
    std::optional<std::vector<Window>> windows;
    const char* title;
  } kCases[] = {
      {"no list", std::nullopt, ""},
      {"no windows", std::vector<Window>{}, ""},
      {"empty name then a name",
       std::vector<Window>{window(42, 0, ""), window(42, 0, std::nullopt),
                           window(42, 0, "Document 1"), window(42, 0, "Later")},
       "Document 1"},
      {"other process and other layer pass over",
       std::vector<Window>{window(7, 0, "Other"), window(42, 3, "Palette"), window(42, 0, "Main")},
       "Main"},
      {"missing layer reads as zero", std::vector<Window>{window(42, std::nullopt, "No layer")},
       "No layer"},
      {"only foreign windows",
       std::vector<Window>{window(7, 0, "Other"), window(std::nullopt, 0, "Nobody")},
       ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FakePlatform platform;
    platform.front = desktop::FrontmostApplication{42, "Safari", "com.apple.Safari",
                                               "/Applications/Safari.app"};
    platform.windows = c.windows;
    const json out = parsed(frontWindow(platform));
    EXPECT_EQ(out, (json{{"schema", 1},
                         {"front",
                          {{"name", "Safari"},
                           {"bundleId", "com.apple.Safari"},
                           {"path", "/Applications/Safari.app"},
                           {"pid", 42},
                           {"title", c.title}}}}));
  }
}

TEST(FrontWindowTest, MissingTextsAreEmpty) {
  FakePlatform platform;
  platform.front = desktop::FrontmostApplication{9, std::nullopt, std::nullopt, std::nullopt};
  platform.windows = std::vector<Window>{window(0, 0, "owner missing reads as zero, not 9")};
  EXPECT_EQ(*ozmi::json::write(frontWindow(platform)),
            R"({"schema":1,"front":{"name":"","bundleId":"","path":"","pid":9,"title":""}})");
}

}  // namespace
}  // namespace ozmi::permission
