// The Linux desktop layers of the built programs, end to end, on a private headless desktop
// with a real GTK 3 application and its real file chooser.
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "headless_desktop.h"
#include "run_program.h"
#include "silent_peer.h"
#include "user_bus_socket.h"
#include "x11_windows_linux.h"

namespace ozmi::testing {
namespace {

constexpr char kWindowTitle[] = "Ozmi Test Window";

struct Output {
  RunResult run;
  nlohmann::json line;
};

// Runs a program as the host does and checks what holds on every path: exit status 0, an
// empty error stream, and exactly one line that parses as JSON.
Output runHost(const std::string& path, const std::vector<std::string>& args) {
  Output o;
  RunOptions options;
  options.args = args;
  options.timeout = std::chrono::seconds(60);
  o.run = runProgram(path, options);
  EXPECT_EQ(o.run.exitStatus, 0);
  EXPECT_EQ(o.run.err, "");
  EXPECT_FALSE(o.run.out.empty());
  if (o.run.out.empty()) return o;
  EXPECT_EQ(o.run.out.find('\n'), o.run.out.size() - 1) << o.run.out;
  o.line = nlohmann::json::parse(o.run.out, nullptr, false);
  EXPECT_FALSE(o.line.is_discarded()) << o.run.out;
  return o;
}

Output probe() { return runHost(OZMI_AX_PROBE, {"--open-panel"}); }

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override { startDesktop({}); }

  void startDesktop(HeadlessDesktop::Options options) {
    if (::access(kXvfb, X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
    desktop_ = std::make_unique<HeadlessDesktop>(options);
    ASSERT_TRUE(desktop_->ok()) << desktop_->error();
    // A name with a space and non-ASCII letters, as the path bar shows it and a URL encodes it.
    folder_ = makeFolder("/tmp/ozmi desktop über été-XXXXXX");
  }

  // A new folder from a mkdtemp template, holding three files; removed at tear-down.
  std::filesystem::path makeFolder(std::string pathTemplate) {
    if (::mkdtemp(pathTemplate.data()) == nullptr) {
      ADD_FAILURE() << "mkdtemp " << pathTemplate;
      return {};
    }
    const std::filesystem::path folder = pathTemplate;
    folders_.push_back(folder);
    for (const char* name : {"alpha.txt", "beta notes.txt", "gamma.txt"}) {
      std::ofstream(folder / name) << name;
    }
    return folder;
  }

  void TearDown() override {
    desktop_.reset();
    for (const auto& f : folders_) std::filesystem::remove_all(f);
  }

  // Starts the test application and waits until the window it presents last is the active one:
  // its chooser when it opens one, else its main window. A chooser takes the focus from the
  // main window, and while focus moves there is no active window at all.
  pid_t startApp(std::vector<std::string> extra) {
    std::vector<std::string> argv{"/usr/bin/python3", OZMI_TEST_APP, "--title", kWindowTitle};
    argv.insert(argv.end(), extra.begin(), extra.end());
    const bool opens = std::ranges::find(extra, "--open") != extra.end();
    const bool saves = std::ranges::find(extra, "--save") != extra.end();
    const std::string front = opens ? "Open File" : saves ? "Save File" : kWindowTitle;
    const auto pid = desktop_->start(argv);
    EXPECT_TRUE(pid.has_value());
    if (!pid) return -1;
    EXPECT_TRUE(waitUntil([&] { return desktop::x11::activeWindowPid() == *pid && activeWindowTitle() == front; }))
        << "the test application's window \"" << front << "\" never became the active window";
    return *pid;
  }

  // Asks the probe until it reports a panel with `files` files or more (the chooser fills its
  // list and its path bar after it has appeared, and selects asynchronously), or 30 s have
  // passed; the last answer.
  Output probeUntilFiles(std::size_t files = 1) {
    Output last;
    waitUntil([&] {
      last = probe();
      return last.line.is_object() && last.line["panel"].is_object() &&
             last.line["panel"]["files"].size() >= files;
    });
    return last;
  }

  std::unique_ptr<HeadlessDesktop> desktop_;
  std::filesystem::path folder_;
  std::vector<std::filesystem::path> folders_;
};

std::string homeFolder() {
  const passwd* entry = ::getpwuid(::getuid());
  return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

TEST_F(DesktopTest, OpenChooserWithASelectedFileIsReportedWithThatFile) {
  const pid_t app = startApp({"--open", folder_.string(), "--select", "beta notes.txt"});
  const Output o = probeUntilFiles();
  const auto& panel = o.line["panel"];
  ASSERT_TRUE(panel.is_object()) << o.run.out;
  EXPECT_EQ(panel["kind"], "open");
  EXPECT_EQ(panel["title"], "Open File");
  // The folder comes from the path bar, its name given back as it is on disk.
  EXPECT_EQ(panel["dir"], folder_.string());
  ASSERT_EQ(panel["files"].size(), 1u) << o.run.out;
  EXPECT_EQ(panel["files"][0]["name"], "beta notes.txt");
  EXPECT_EQ(panel["files"][0]["path"], (folder_ / "beta notes.txt").string());
  EXPECT_EQ(panel["presentingApp"], "Ozmi-test-panel");
  EXPECT_EQ(panel["presentingBundleId"], "ozmi-test-panel");
  EXPECT_EQ(o.line["schema"], 1);
  EXPECT_GT(app, 0);
}

TEST_F(DesktopTest, SaveChooserWithATypedNameIsReportedWithThatName) {
  startApp({"--save", folder_.string(), "--typed", "report 2026.txt"});
  const Output o = probeUntilFiles();
  const auto& panel = o.line["panel"];
  ASSERT_TRUE(panel.is_object()) << o.run.out;
  EXPECT_EQ(panel["kind"], "save");
  EXPECT_EQ(panel["title"], "Save File");
  EXPECT_EQ(panel["dir"], folder_.string());
  ASSERT_EQ(panel["files"].size(), 1u) << o.run.out;
  EXPECT_EQ(panel["files"][0]["name"], "report 2026.txt");
  EXPECT_EQ(panel["files"][0]["path"], (folder_ / "report 2026.txt").string());  // nothing there yet
}

// Scenes on one desktop, each application started and stopped by its process id: what the
// probe reports, and that nothing of the main window's own text reaches the report.
TEST_F(DesktopTest, ChoosersAreReportedWithTheirFolderAndNeverTheWindowBehindThem) {
  const std::filesystem::path home = makeFolder(homeFolder() + "/ozmi-desktop-home-XXXXXX");
  ASSERT_FALSE(home.empty());
  const std::string folder = folder_.string();
  const struct {
    const char* scene;
    std::vector<std::string> args;
    std::filesystem::path dir;
    std::vector<std::string> names;
  } kScenes[] = {
      {"a folder under the home folder", {"--open", home.string(), "--select", "gamma.txt"}, home, {"gamma.txt"}},
      {"two selected files", {"--open", folder, "--select", "alpha.txt", "--select", "gamma.txt"}, folder_,
       {"alpha.txt", "gamma.txt"}},
      // The editor's text view is a document, not a typed name, so the editor is no save panel.
      {"an editor with an open dialog",
       {"--document", "Dear diary, secret text", "--open", folder, "--select", "alpha.txt"}, folder_, {"alpha.txt"}},
      // Both windows look like panels; the dialog in front is the one the user sees.
      {"a form that looks like a save panel, with an open dialog in front",
       {"--entry", "form text", "--open", folder, "--select", "beta notes.txt"}, folder_, {"beta notes.txt"}},
  };
  for (const auto& s : kScenes) {
    SCOPED_TRACE(s.scene);
    const pid_t app = startApp(s.args);
    const Output o = probeUntilFiles(s.names.size());
    desktop_->stop(app);
    const auto& panel = o.line["panel"];
    ASSERT_TRUE(panel.is_object()) << o.run.out;
    EXPECT_EQ(panel["kind"], "open") << o.run.out;
    EXPECT_EQ(panel["title"], "Open File");
    EXPECT_EQ(panel["dir"], s.dir.string());
    std::vector<std::string> names, paths;
    for (const auto& f : panel["files"]) {
      names.push_back(f["name"]);
      paths.push_back(f["path"].is_string() ? f["path"].get<std::string>() : "(null)");
    }
    EXPECT_EQ(names, s.names) << o.run.out;
    for (std::size_t i = 0; i < names.size() && i < paths.size(); ++i) EXPECT_EQ(paths[i], (s.dir / names[i]).string());
    EXPECT_EQ(o.run.out.find("Dear diary"), std::string::npos);
    EXPECT_EQ(o.run.out.find("form text"), std::string::npos);
  }
}

TEST_F(DesktopTest, WithoutAChooserThePanelIsNull) {
  startApp({});
  // The application has reached the accessibility bus once its launcher has published it.
  ASSERT_TRUE(waitUntil([] { return desktop::x11::rootTextProperty("AT_SPI_BUS").has_value(); }));
  const Output o = probe();
  EXPECT_EQ(o.run.out, "{\"schema\":1,\"panel\":null}\n");
}

TEST_F(DesktopTest, AnApplicationThatDoesNotAnswerCostsABoundedWaitAndNoPanel) {
  const pid_t app = startApp({"--open", folder_.string(), "--select", "alpha.txt"});
  ASSERT_TRUE(probeUntilFiles().line["panel"].is_object());
  ASSERT_EQ(::kill(app, SIGSTOP), 0);
  const Output o = probe();  // runHost gives it 60 s; each unanswered call waits 1.5 s
  EXPECT_FALSE(o.run.timedOut);
  EXPECT_EQ(o.run.out, "{\"schema\":1,\"panel\":null}\n");
  ::kill(app, SIGCONT);
}

TEST_F(DesktopTest, FrontWindowNamesTheApplicationAndItsWindowTitle) {
  const pid_t app = startApp({});
  const Output o = runHost(OZMI_PERMISSION_HELPER, {"--front-window"});
  const auto& front = o.line["front"];
  ASSERT_TRUE(front.is_object()) << o.run.out;
  EXPECT_EQ(front["pid"], app);
  EXPECT_EQ(front["name"], "Ozmi-test-panel");
  EXPECT_EQ(front["bundleId"], "ozmi-test-panel");
  EXPECT_EQ(front["title"], kWindowTitle);
  EXPECT_NE(front["path"].get<std::string>().find("python3"), std::string::npos) << o.run.out;
}

// An application runs when one of its windows carries the identifier that "--front-window"
// reports for it, or when it owns that name on the session bus.
TEST_F(DesktopTest, AutomationTargetsAreRunningByTheirWindowsOrTheirBusName) {
  startApp({"--bus-name", "org.ozmi.BusOnly"});
  const std::string front = runHost(OZMI_PERMISSION_HELPER, {"--front-window"}).line["front"]["bundleId"];
  ASSERT_EQ(front, "ozmi-test-panel");
  static const struct {
    const char* id;
    bool running;
    bool byBusName;  // a well-formed bus name, so the answer comes from the session bus
  } kCases[] = {
      {"ozmi-test-panel", true, false},   // its windows' WM_CLASS instance
      {"org.ozmi.BusOnly", true, true},   // a bus name that no window carries
      {"org.ozmi.NotRunning", false, true},
      {"Ozmi-test-panel", false, false},  // the class, not the identifier
  };
  const bool busRows = desktop_->sessionBusAtUserSocket();
  std::string targets;
  for (const auto& c : kCases) targets += std::string(targets.empty() ? "" : ",") + c.id;
  // The name is owned once the application's main loop runs, which is before its window shows.
  Output o;
  waitUntil([&] {
    o = runHost(OZMI_PERMISSION_HELPER, {"--automation", targets});
    return o.line["automation"].size() == 4 && o.line["automation"][busRows ? 1 : 0]["running"] == true;
  });
  const auto& entries = o.line["automation"];
  ASSERT_EQ(entries.size(), std::size(kCases)) << o.run.out;
  for (std::size_t i = 0; i < std::size(kCases); ++i) {
    if (kCases[i].byBusName && !busRows) continue;
    SCOPED_TRACE(kCases[i].id);
    EXPECT_EQ(entries[i]["bundleId"], kCases[i].id);
    EXPECT_EQ(entries[i]["running"], kCases[i].running);
  }
  if (!busRows) GTEST_SKIP() << "bus-name rows not checked: /run/user/" << ::getuid() << "/bus is another bus";
}

TEST_F(DesktopTest, ScreenCensusCountsTheApplicationsWindows) {
  const pid_t app = startApp({"--open", folder_.string()});
  ASSERT_TRUE(waitUntil([&] {
    const auto windows = desktop::x11::onScreenWindows();
    return windows && windows->size() == 2 && (*windows)[0].ownerPid == app && (*windows)[1].ownerPid == app;
  })) << "the chooser never appeared next to the main window";
  const Output o = runHost(OZMI_PERMISSION_HELPER, {"--capture"});
  const auto& screen = o.line["screen"];
  ASSERT_TRUE(screen.is_object()) << o.run.out;
  EXPECT_EQ(screen["preflight"], true);
  EXPECT_EQ(screen["windowList"], "ok");
  EXPECT_EQ(screen["foreignWindows"], 2);
  EXPECT_EQ(screen["foreignWindowsTitled"], 2);
  EXPECT_EQ(screen["capture"], "image");
}

class DesktopWithoutAccessibilityBusTest : public DesktopTest {
 protected:
  void SetUp() override { startDesktop({.sessionBus = false, .windowManager = true}); }
};

TEST_F(DesktopWithoutAccessibilityBusTest, ChooserIsNotSeenButTheWindowsAre) {
  const pid_t app = startApp({"--open", folder_.string(), "--select", "alpha.txt"});
  EXPECT_EQ(probe().run.out, "{\"schema\":1,\"panel\":null}\n");
  const Output o = runHost(OZMI_PERMISSION_HELPER, {"--front-window"});
  ASSERT_TRUE(o.line["front"].is_object()) << o.run.out;
  EXPECT_EQ(o.line["front"]["pid"], app);
}

// Sets a text property on the root window of this process's display, as any X client may.
bool setRootTextProperty(const std::string& name, const std::string& value) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  bool set = false;
  if (xcb_connection_has_error(c) == 0) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr);
    if (atom != nullptr) {
      xcb_generic_error_t* error = xcb_request_check(
          c, xcb_change_property_checked(c, XCB_PROP_MODE_REPLACE, root, atom->atom, XCB_ATOM_STRING, 8,
                                         static_cast<std::uint32_t>(value.size()), value.data()));
      set = error == nullptr;
      std::free(error);
      std::free(atom);
    }
  }
  xcb_disconnect(c);
  return set;
}

// The root window names an accessibility bus that accepts the connection and never answers:
// the candidate yields nothing after a bounded wait, and the search ends with no panel.
TEST_F(DesktopWithoutAccessibilityBusTest, ABusThatNeverAnswersYieldsNothing) {
  startApp({});
  char folder[] = "/tmp/ozmi-bus-XXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  {
    SilentSocket bus(std::string(folder) + "/bus");
    ASSERT_TRUE(bus.ok());
    ASSERT_TRUE(setRootTextProperty("AT_SPI_BUS", "unix:path=" + bus.path()));
    RunOptions options;
    options.args = {"--open-panel"};
    options.timeout = std::chrono::seconds(10);  // detects a hang; the wait itself is 1.5 s
    const RunResult r = runProgram(OZMI_AX_PROBE, options);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "{\"schema\":1,\"panel\":null}\n");
    EXPECT_TRUE(bus.contacted());
  }
  std::filesystem::remove_all(folder);
}

// A session bus that accepts the connection and never answers costs a bounded wait, and the
// application it was asked about is not running. Needs no desktop.
TEST(SilentSessionBusTest, CostsABoundedWaitAndTheApplicationIsNotRunning) {
  const auto userBus = UserBusSocket::claim();
  if (!userBus) GTEST_SKIP() << "/run/user/" << ::getuid() << "/bus is in use";
  SilentSocket bus(userBus->path());
  ASSERT_TRUE(bus.ok());
  RunOptions options;
  options.args = {"-u", "DISPLAY", OZMI_PERMISSION_HELPER, "--automation", "org.ozmi.Silent"};
  options.timeout = std::chrono::seconds(10);  // detects a hang; the wait itself is 1.5 s per call
  const RunResult r = runProgram("/usr/bin/env", options);
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.err, "");
  const auto line = nlohmann::json::parse(r.out, nullptr, false);
  ASSERT_FALSE(line.is_discarded()) << r.out;
  EXPECT_EQ(line["automation"][0]["running"], false) << r.out;
  EXPECT_TRUE(bus.contacted());
}

// No display at all: both programs give their "none" answers. Needs no desktop.
TEST(NoDisplayTest, ProgramsGiveTheirNoneAnswers) {
  static const struct {
    const char* program;
    const char* argument;
    const char* expected;
  } kCases[] = {
      {OZMI_AX_PROBE, "--open-panel", "{\"schema\":1,\"panel\":null}\n"},
      {OZMI_PERMISSION_HELPER, "--front-window", "{\"schema\":1,\"front\":null}\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.program);
    const Output o = runHost("/usr/bin/env", {"-u", "DISPLAY", c.program, c.argument});
    EXPECT_EQ(o.run.out, c.expected);
  }
  const Output report = runHost("/usr/bin/env", {"-u", "DISPLAY", OZMI_PERMISSION_HELPER, "--capture"});
  EXPECT_EQ(report.line["screen"],
            nlohmann::json::parse(R"({"preflight":false,"windowList":"unavailable","foreignWindows":0,)"
                                  R"("foreignWindowsTitled":0,"capture":"skipped-not-granted"})"));
}

}  // namespace
}  // namespace ozmi::testing
