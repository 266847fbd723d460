// The built program, run as the host runs it.
#include <unistd.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

#include "run_program.h"
#include "silent_peer.h"
#include "test_databases.h"

namespace {

using nlohmann::json;
using ozmi::testing::RunOptions;
using ozmi::testing::RunResult;
using ozmi::testing::runProgram;

const std::string kProgram = OZMI_PERMISSION_HELPER;

RunOptions withArgs(std::vector<std::string> args, bool closeStdoutEarly = false) {
  RunOptions options;
  options.args = std::move(args);
  options.closeStdoutEarly = closeStdoutEarly;
  return options;
}

// Runs the program and checks what holds on every path: exit 0, silence on standard error,
// exactly one line of valid JSON with "schema" 1.
json run(const std::vector<std::string>& args, std::string* raw = nullptr) {
  const RunResult result = runProgram(kProgram, withArgs(args));
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_FALSE(result.out.empty());
  EXPECT_EQ(result.out.find('\n'), result.out.size() - 1);
  if (raw) *raw = result.out;
  json line = json::parse(result.out, nullptr, false);
  EXPECT_FALSE(line.is_discarded()) << result.out;
  EXPECT_EQ(line.value("schema", 0), 1);
  return line;
}

const std::vector<std::string> kReportKeys = {"accessibility", "automation", "fullDisk", "input",
                                              "macos",         "process",    "schema",   "screen",
                                              "tcc"};

std::vector<std::string> keys(const json& object) {
  std::vector<std::string> out;
  for (auto it = object.begin(); it != object.end(); ++it) out.push_back(it.key());
  return out;
}

TEST(ProgramTest, OptionCombinations) {
  static const struct {
    const char* name;
    std::vector<std::string> args;
    const char* pointer;   // where to look in the reply
    const char* expected;  // JSON text found there
  } kCases[] = {
      {"no arguments: tcc", {}, "/tcc", R"({"status":"skipped"})"},
      {"no arguments: automation", {}, "/automation", "[]"},
      {"no arguments: capture", {}, "/screen/capture", R"("skipped")"},
      {"no arguments: accessibility", {}, "/accessibility", R"({"skipped":"tcc-unreadable"})"},
      {"version", {"--version"}, "", R"({"schema":1})"},
      {"capture then version", {"--capture", "--version"}, "", R"({"schema":1})"},
      {"version before front window", {"--version", "--front-window"}, "", R"({"schema":1})"},
      {"request", {"--request-automation", "com.apple.Finder", "--version"}, "",
       R"({"schema":1,"request":{"bundleId":"com.apple.Finder","status":-1700,"result":"error"}})"},
      {"request as last argument", {"--client", "c", "--request-automation"}, "/tcc/rows", "[]"},
      {"client swallows capture", {"--client", "--capture"}, "/screen/capture", R"("skipped")"},
      {"client swallows capture: tcc read", {"--client", "--capture"}, "/tcc/rows", "[]"},
      {"automation pieces", {"--automation", "a,,b,"}, "/automation",
       R"([{"bundleId":"a","installed":false,"running":false,"status":-1700,"result":"error"},)"
       R"({"bundleId":"b","installed":false,"running":false,"status":-1700,"result":"error"}])"},
      {"automation comma", {"--automation", ","}, "/automation", "[]"},
      {"automation piece with a space", {"--automation", " a"}, "/automation/0/bundleId",
       R"(" a")"},
      {"automation replaced", {"--automation", "a,b", "--automation", "c"},
       "/automation/0/bundleId", R"("c")"},
      {"automation duplicates", {"--automation", "c,c"}, "/automation/1/bundleId", R"("c")"},
      {"client then nothing", {"--client"}, "/tcc", R"({"status":"skipped"})"},
      {"unknown arguments", {"-h", "--CLIENT", "x", "--capture=1"}, "/tcc",
       R"({"status":"skipped"})"},
      {"bundle without signing", {"--bundle", "/usr/bin", "--client", "c"}, "/tcc/rows", "[]"},
      {"not utf-8 is no value", {"--client", "\xff"}, "/tcc", R"({"status":"skipped"})"},
      {"not utf-8 matches nothing", {"\xff", "--version"}, "", R"({"schema":1})"},
      {"not utf-8 request value", {"--request-automation", "\xc0\xaf"}, "/tcc",
       R"({"status":"skipped"})"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const json reply = run(c.args);
    EXPECT_EQ(reply.at(json::json_pointer(c.pointer)), json::parse(c.expected));
  }
}

// Which mode ran, by the reply's keys. (The front window and the capture depend on the
// desktop the test runs on; only their presence is fixed.)
TEST(ProgramTest, FirstTerminalArgumentChoosesTheMode) {
  const std::vector<std::string> front = {"front", "schema"};
  const std::vector<std::string> request = {"request", "schema"};
  const std::vector<std::string> version = {"schema"};
  static const struct {
    const char* name;
    std::vector<std::string> args;
    const std::vector<std::string>* keys;
  } kCases[] = {
      {"no arguments", {}, &kReportKeys},
      {"front window before version", {"--front-window", "--version"}, &front},
      {"version before front window", {"--version", "--front-window"}, &version},
      {"options before front window", {"--client", "a", "--capture", "--front-window"}, &front},
      {"request before front window", {"--request-automation", "x", "--front-window"}, &request},
      {"request without value, then front window", {"--front-window", "--request-automation"},
       &front},
      {"capture, then request without value", {"--capture", "--request-automation"}, &kReportKeys},
      {"value of client is no terminal", {"--client", "--version"}, &kReportKeys},
      {"value of bundle is no terminal", {"--bundle", "--front-window"}, &kReportKeys},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(keys(run(c.args)), *c.keys);
  }
  EXPECT_NE(run({"--capture", "--request-automation"})["screen"]["capture"], "skipped");
  EXPECT_EQ(run({"--client", "--capture"})["screen"]["capture"], "skipped");
}

TEST(ProgramTest, ReportShapeOnLinux) {
  std::string raw;
  const json report = run({"--client", "com.example.a,com.example.b"}, &raw);
  EXPECT_EQ(keys(report), kReportKeys);
  EXPECT_EQ(report["macos"], "0.0.0");
  EXPECT_EQ(keys(report["process"]), (std::vector<std::string>{"api", "parentPath", "pid", "ppid",
                                                               "responsiblePath",
                                                               "responsiblePid"}));
  EXPECT_EQ(report["process"]["api"], "unavailable");
  EXPECT_EQ(report["process"]["pid"].get<int>() > 0, true);
  EXPECT_EQ(report["process"]["ppid"], ::getpid());
  EXPECT_EQ(report["process"]["parentPath"], std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(report["input"], json::parse(R"({"listenEvent":"unavailable","postEvent":"unavailable"})"));
  EXPECT_EQ(keys(report["fullDisk"]),
            (std::vector<std::string>{"mailDir", "safariDir", "systemTccDb", "userTccDb"}));
  EXPECT_EQ(keys(report["screen"]), (std::vector<std::string>{"capture", "foreignWindows",
                                                              "foreignWindowsTitled", "preflight",
                                                              "windowList"}));
  EXPECT_EQ(keys(report["tcc"]), (std::vector<std::string>{"rows", "system", "user"}));
  // Every "/" in a string is escaped in the bytes themselves.
  const std::string path = report["process"]["parentPath"];
  std::string escaped;
  for (char ch : path) escaped += ch == '/' ? std::string("\\/") : std::string(1, ch);
  EXPECT_NE(raw.find(escaped), std::string::npos);
  EXPECT_EQ(raw.find(path), std::string::npos);
}

TEST(ProgramTest, ClosedStandardOutput) {
  static const std::vector<std::string> kArgs[] = {
      {}, {"--version"}, {"--front-window"}, {"--request-automation", "x"},
      {"--client", "a", "--automation", "b", "--capture"}};
  for (const auto& args : kArgs) {
    SCOPED_TRACE(args.empty() ? "" : args[0]);
    const RunResult result = runProgram(kProgram, withArgs(args, true));
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.termSignal, 0);
    EXPECT_EQ(result.err, "");
  }
}

// A host that set O_NONBLOCK on its end of the pipe and reads late still gets the whole reply,
// far longer than a pipe holds, as one line.
TEST(ProgramTest, ASlowReaderGetsTheWholeReply) {
  std::string targets;
  constexpr int kTargets = 12000;
  for (int i = 0; i < kTargets; ++i) targets += "t" + std::to_string(i) + ",";
  RunOptions options = withArgs({"--automation", targets});
  options.nonBlockingStdout = true;
  options.readDelay = std::chrono::seconds(1);
  const RunResult result = runProgram(kProgram, options);
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_GT(result.out.size(), 1000000u);
  EXPECT_EQ(result.out.find('\n'), result.out.size() - 1);
  const json reply = json::parse(result.out, nullptr, false);
  ASSERT_FALSE(reply.is_discarded());
  ASSERT_EQ(reply["automation"].size(), static_cast<std::size_t>(kTargets));
  EXPECT_EQ(reply["automation"].back()["bundleId"], "t" + std::to_string(kTargets - 1));
}

// A display that accepts the connection and never answers is no display: each mode that asks
// the window system gives its neutral answer after a bounded wait instead of never.
TEST(ProgramTest, ADisplayThatNeverAnswersIsNoDisplay) {
  const auto silent = ozmi::testing::makeSilentDisplay();
  if (!silent) GTEST_SKIP() << "/tmp/.X11-unix cannot be used";
  static const struct {
    std::vector<std::string> args;
    const char* pointer;
    const char* expected;
  } kCases[] = {
      {{"--front-window"}, "", R"({"schema":1,"front":null})"},
      {{"--capture"}, "/screen",
       R"({"preflight":false,"windowList":"unavailable","foreignWindows":0,"foreignWindowsTitled":0,"capture":"skipped-not-granted"})"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.args[0]);
    RunOptions options = withArgs(c.args);
    options.environment = {"DISPLAY=" + silent->display};
    options.timeout = std::chrono::seconds(10);  // detects a hang; the wait itself is 1.5 s
    const RunResult result = runProgram(kProgram, options);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "");
    const json reply = json::parse(result.out, nullptr, false);
    ASSERT_FALSE(reply.is_discarded()) << result.out;
    EXPECT_EQ(reply.at(json::json_pointer(c.pointer)), json::parse(c.expected));
  }
  EXPECT_TRUE(silent->socket->contacted());
}

// The fixed database paths, honoured: both databases placed where the platform keeps them,
// inside a private mount namespace that vanishes with the run.
TEST(ProgramTest, ReadsTheDatabasesAtTheirFixedPaths) {
  if (::geteuid() != 0) GTEST_SKIP() << "mount namespaces need root";
  if (runProgram("/usr/bin/unshare", withArgs({"-m", "/bin/true"})).exitStatus != 0) {
    GTEST_SKIP() << "this system does not allow a private mount namespace";
  }
  const bool libraryExisted = std::filesystem::exists("/Library");
  using namespace ozmi::permission::testing;
  TempDir dir;
  const std::string user = dir.file("user.db");
  const std::string system = dir.file("system.db");
  const std::string insert =
      "INSERT INTO access (service, client, auth_value, auth_reason, "
      "indirect_object_identifier, last_modified) VALUES ";
  makeDatabase(user, std::string(kAccessTable) + insert +
                         "('kTCCServiceScreenCapture', 'com.example.host', 2, 3, NULL, 1),"
                         "('kTCCServiceAccessibility', 'com.example.host', 2, 3, NULL, 2);");
  makeDatabase(system, std::string(kAccessTable) + insert +
                           "('kTCCServiceAccessibility', 'com.example.host', 2, 4, NULL, 3),"
                           "('kTCCServiceListenEvent', 'other', 0, 5, 'x/y', 4);");
  const std::string mountpoint = dir.file("root/x");
  std::filesystem::remove(mountpoint);
  std::filesystem::create_directory(mountpoint);
  const RunResult result = runProgram(
      "/usr/bin/unshare",
      withArgs({"-m", "/bin/sh", OZMI_FIXED_PATHS_SCRIPT, mountpoint, user, system, kProgram,
                "--client", "com.example.host,other"}));
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, "");
  const json report = json::parse(result.out);
  EXPECT_EQ(report["tcc"], json::parse(R"({"user":"ok","system":"ok","rows":[
    {"db":"user","service":"kTCCServiceScreenCapture","client":"com.example.host","authValue":2,"authReason":3,"indirect":null,"lastModified":1,"csreq":"none"},
    {"db":"user","service":"kTCCServiceAccessibility","client":"com.example.host","authValue":2,"authReason":3,"indirect":null,"lastModified":2,"csreq":"none"},
    {"db":"system","service":"kTCCServiceAccessibility","client":"com.example.host","authValue":2,"authReason":4,"indirect":null,"lastModified":3,"csreq":"none"},
    {"db":"system","service":"kTCCServiceListenEvent","client":"other","authValue":0,"authReason":5,"indirect":"x/y","lastModified":4,"csreq":"none"}
  ]})"));
  EXPECT_EQ(report["accessibility"], json::parse(R"({"trusted":false})"));
  EXPECT_EQ(report["fullDisk"], json::parse(R"({"userTccDb":"ok","systemTccDb":"ok","safariDir":"ENOENT","mailDir":"ENOENT"})"));
  EXPECT_EQ(std::filesystem::exists("/Library"), libraryExisted);
  EXPECT_TRUE(std::filesystem::is_empty(mountpoint));
}

}  // namespace
