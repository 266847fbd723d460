// The Linux platform layer against the real system.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "full_disk_section.h"
#include "helper_platform.h"
#include "running_application_linux.h"
#include "tcc_section.h"
#include "test_databases.h"

namespace ozmi::permission {
namespace {

using testing::TempDir;

TEST(LinuxPlatformTest, ProcessFacts) {
  auto platform = makePlatform();
  EXPECT_EQ(platform->pid(), ::getpid());
  EXPECT_EQ(platform->ppid(), ::getppid());
  EXPECT_EQ(platform->executablePath(::getpid()),
            std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_FALSE(platform->executablePath(0));
  EXPECT_FALSE(platform->executablePath(-1));
  EXPECT_FALSE(platform->lookUpResponsibility());
}

TEST(LinuxPlatformTest, FixedAnswersForMissingFacilities) {
  auto platform = makePlatform();
  const SystemVersion version = platform->systemVersion();
  EXPECT_EQ(version.major, 0);
  EXPECT_EQ(version.minor, 0);
  EXPECT_EQ(version.patch, 0);
  EXPECT_FALSE(platform->accessibilityTrusted());
  EXPECT_GT(platform->inputAccess(kRequestListenEvent), 2u);
  EXPECT_GT(platform->inputAccess(kRequestPostEvent), 2u);
  EXPECT_FALSE(platform->createStaticCode("/usr/bin"));
  const AutomationTarget target = platform->createAutomationTarget("com.apple.Finder");
  EXPECT_EQ(target.status, -1700);
  EXPECT_FALSE(platform->applicationRunning("com.apple.Finder"));
  EXPECT_TRUE(platform->passwordDatabaseHome().has_value());
}

TEST(LinuxPlatformTest, OnlyWellFormedNamesArePutToTheSessionBus) {
  static constexpr struct {
    const char* name;
    bool wellFormed;
  } kCases[] = {
      {"org.gnome.Nautilus", true},  {"org.example.My_App-2", true}, {"a.b", true},
      {"ozmi-test-panel", false},    // a WM_CLASS instance: one element
      {"", false},                   {".org.a", false},             {"org..a", false},
      {"org.a.", false},             {"org.2a", false},             {":1.42", false},  // a unique name
      {"org.a b", false},            {"org.\xC3\xA9", false},     {"com.apple.Finder", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(isWellKnownBusName(c.name), c.wellFormed);
  }
  EXPECT_TRUE(isWellKnownBusName("a." + std::string(253, 'b')));
  EXPECT_FALSE(isWellKnownBusName("a." + std::string(254, 'b')));  // 256 characters
}

TEST(LinuxPlatformTest, OnlyASocketIsTakenForTheSessionBus) {
  TempDir dir;
  const std::string socketPath = dir.path() + "/bus";
  const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listening, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  const std::string file = dir.file("file");
  testing::writeFile(file, "");
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  static const struct {
    const char* name;
    std::string path;
    bool socket;
  } kCases[] = {
      {"socket", socketPath, true},
      {"regular file", file, false},
      {"fifo", fifo, false},
      {"folder", dir.path(), false},
      {"missing", dir.path() + "/missing", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const auto bus = busAddressOfSocket(c.path);
    EXPECT_EQ(bus, c.socket ? std::optional<std::string>("unix:path=" + c.path) : std::nullopt);
  }
  ::close(listening);
}

TEST(LinuxPlatformTest, InstalledMeansADesktopEntry) {
  auto platform = makePlatform();
  EXPECT_FALSE(platform->applicationInstalled(""));
  EXPECT_FALSE(platform->applicationInstalled("org.example.NoSuchApplication"));
  // An identifier with a slash never reaches a file outside the application folders.
  EXPECT_FALSE(platform->applicationInstalled("../../../etc/passwd"));
  EXPECT_FALSE(platform->applicationInstalled("../../../../../../../etc/os-release"));
}

TEST(LinuxPlatformTest, ProbeOpenWithRealErrorNumbers) {
  auto platform = makePlatform();
  TempDir dir;
  const std::string empty = dir.file("empty.db");
  testing::writeFile(empty, "");
  const std::string full = dir.file("full.db");
  testing::writeFile(full, "SQLite format 3");
  const std::string folder = dir.file("Safari/x");
  testing::writeFile(folder, "");
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  static const struct {
    const char* name;
    std::string path;
    bool directory;
    const char* word;
  } kCases[] = {
      {"empty file", empty, false, "ok"},
      {"file", full, false, "ok"},
      {"missing", dir.path() + "/missing", false, "ENOENT"},
      {"under a file", full + "/TCC.db", false, "ENOTDIR"},
      {"folder", dir.path() + "/Safari", true, "ok"},
      {"file taken for a folder", full, true, "ENOTDIR"},
      {"folder read as a file", dir.path() + "/Safari", false, "errno-21"},
      {"fifo without a writer", fifo, false, "ok"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(probeOpen(c.path, c.directory, *platform), c.word);
  }
}

TEST(LinuxPlatformTest, UnreadableLocations) {
  if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
  auto platform = makePlatform();
  TempDir dir;
  const std::string file = dir.file("locked.db");
  testing::writeFile(file, "x");
  ::chmod(file.c_str(), 0);
  const std::string folder = dir.file("Mail/x");
  ::chmod((dir.path() + "/Mail").c_str(), 0);
  EXPECT_EQ(probeOpen(file, false, *platform), "EACCES");
  EXPECT_EQ(probeOpen(dir.path() + "/Mail", true, *platform), "EACCES");
  ::chmod((dir.path() + "/Mail").c_str(), 0700);
}

// The requirements of a real database, copied into a current-layout table, read through the
// Linux layer: each parses, renders, and stays unchecked without a signed bundle.
TEST(LinuxPlatformTest, RowsOfRealRequirementsStayUnchecked) {
  if (!std::filesystem::is_directory(OZMI_FIXTURES)) {
    GTEST_SKIP() << "no sample databases at " OZMI_FIXTURES;
  }
  TempDir dir;
  const std::string path = dir.file("TCC.db");
  testing::makeDatabase(
      path, std::string(testing::kAccessTable) +
                "ATTACH '" OZMI_FIXTURES "/tcc-user-macos10.15.db' AS old;"
                "INSERT INTO access (service, client, auth_value, auth_reason, last_modified, csreq) "
                "SELECT service, client, allowed * 2, 1, last_modified, csreq FROM old.access;"
                "DETACH old;");
  auto platform = makePlatform();
  std::optional<std::string> status;
  const ozmi::json::Value::Array rows =
      tccRows(path, "user", {"com.google.Chrome", "com.agilebits.onepassword7", "com.apple.Preview",
                             "com.apple.weather"},
              std::nullopt, status, *platform);
  EXPECT_EQ(status, "ok");
  std::vector<std::string> lines;
  for (const auto& row : rows) lines.push_back(*ozmi::json::write(row));
  ASSERT_EQ(lines.size(), 5u);
  const char* expected[][2] = {
      {"\"csreq\":\"unchecked\",\"csreqKind\":\"other\"}", "kTCCServiceMicrophone"},
      {"\"csreq\":\"unchecked\",\"csreqKind\":\"other\"}", "kTCCServiceCamera"},
      {"\"csreq\":\"unchecked\",\"csreqKind\":\"developer-id\"}", "onepassword7"},
      {"\"csreq\":\"none\"}", "com.apple.Preview"},
      {"\"csreq\":\"unchecked\",\"csreqKind\":\"other\"}", "com.apple.weather"},
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    bool found = false;
    for (const auto& e : expected) {
      if (lines[i].find(e[1]) != std::string::npos) {
        EXPECT_TRUE(lines[i].ends_with(e[0]));
        found = true;
      }
    }
    EXPECT_TRUE(found);
  }
}

}  // namespace
}  // namespace ozmi::permission
