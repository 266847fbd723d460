#include "tcc_section.h"

#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "accessibility_section.h"
#include "fake_platform.h"
#include "test_databases.h"

namespace ozmi::permission {
namespace {

using testing::FakePlatform;
using testing::TempDir;
using testing::insertRow;
using testing::makeDatabase;
using nlohmann::json;

json parsed(const ozmi::json::Value& value) {
  std::optional<std::string> text = ozmi::json::write(value);
  EXPECT_TRUE(text);
  return json::parse(text.value_or("null"));
}

std::string row(const char* service, const char* client, int auth, const char* extra = "") {
  return std::string("INSERT INTO access (service, client, auth_value, auth_reason, "
                     "indirect_object_identifier, last_modified, csreq) VALUES ('") +
         service + "', '" + client + "', " + std::to_string(auth) + ", 4, " +
         (*extra ? extra : "NULL") + ", 1700000000, NULL);";
}

TEST(DatabaseUriTest, PercentEncodesEverythingOutsideThePathSet) {
  static const struct {
    const char* path;
    const char* uri;
  } kCases[] = {
      {"/Library/Application Support/com.apple.TCC/TCC.db",
       "file:/Library/Application%20Support/com.apple.TCC/TCC.db?mode=ro"},
      {"/a?b#c%d", "file:/a%3Fb%23c%25d?mode=ro"},
      {"/-._~!$&'()*+,;=:@/", "file:/-._~!$&'()*+,;=:@/?mode=ro"},
      {"/caf\xc3\xa9", "file:/caf%C3%A9?mode=ro"},
      {"/\"<>[]\\^`{|}", "file:/%22%3C%3E%5B%5D%5C%5E%60%7B%7C%7D?mode=ro"},
      {"/\x01\x7f\xff", "file:/%01%7F%FF?mode=ro"},
      {"", "file:?mode=ro"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(databaseUri(c.path), c.uri);
  }
}

class TccTest : public ::testing::Test {
 protected:
  TempDir dir;
  FakePlatform platform;

  // A database under folder names that a URI would misread unless encoded.
  std::string database(const std::string& name, const std::string& sql) {
    std::string path = dir.file("Application Support/odd ?#%&name/" + name);
    makeDatabase(path, std::string(testing::kAccessTable) + sql);
    return path;
  }

  json rows(const std::string& path, const std::vector<std::string>& clients,
            std::optional<std::string>& status, std::optional<StaticCode> code = std::nullopt) {
    return parsed(tccRows(path, "user", clients, code, status, platform));
  }
};

TEST_F(TccTest, ReadsBothDatabasesUserRowsFirstClientByClient) {
  const std::string user = database("user.db", row("kTCCServiceCamera", "a", 2) +
                                                   row("kTCCServiceMicrophone", "b", 0) +
                                                   row("kTCCServiceAccessibility", "a", 0));
  const std::string system = database("system.db", row("kTCCServiceAccessibility", "a", 2) +
                                                       row("kTCCServiceListenEvent", "c", 1));
  const json tcc = parsed(tccSectionAt(user, system, {"a", "b", "a", "nobody"}, "", platform));
  const json expected = json::parse(R"({"user":"ok","system":"ok","rows":[
    {"db":"user","service":"kTCCServiceCamera","client":"a","authValue":2,"authReason":4,"indirect":null,"lastModified":1700000000,"csreq":"none"},
    {"db":"user","service":"kTCCServiceAccessibility","client":"a","authValue":0,"authReason":4,"indirect":null,"lastModified":1700000000,"csreq":"none"},
    {"db":"user","service":"kTCCServiceMicrophone","client":"b","authValue":0,"authReason":4,"indirect":null,"lastModified":1700000000,"csreq":"none"},
    {"db":"user","service":"kTCCServiceCamera","client":"a","authValue":2,"authReason":4,"indirect":null,"lastModified":1700000000,"csreq":"none"},
    {"db":"user","service":"kTCCServiceAccessibility","client":"a","authValue":0,"authReason":4,"indirect":null,"lastModified":1700000000,"csreq":"none"},
    {"db":"system","service":"kTCCServiceAccessibility","client":"a","authValue":2,"authReason":4,"indirect":null,"lastModified":1700000000,"csreq":"none"},
    {"db":"system","service":"kTCCServiceAccessibility","client":"a","authValue":2,"authReason":4,"indirect":null,"lastModified":1700000000,"csreq":"none"}
  ]})");
  EXPECT_EQ(tcc, expected);
  EXPECT_EQ(platform.count("staticCode "), 0);
}

// Most rows are kept as text; the accessibility verdict still sees every row it reads.
TEST_F(TccTest, TheAccessibilityVerdictSeesTheRowsRead) {
  static const struct {
    const char* name;
    std::string user;
    std::string system;
    const char* verdict;
  } kCases[] = {
      {"a system grant", "",
       row("kTCCServiceCamera", "a", 0) + row("kTCCServiceAccessibility", "a", 2), "allowed"},
      {"a system denial", row("kTCCServiceAccessibility", "a", 2),
       row("kTCCServiceAccessibility", "a", 0) + row("kTCCServiceCamera", "a", 2), "not-allowed"},
      {"a user grant only", row("kTCCServiceAccessibility", "a", 2),
       row("kTCCServiceCamera", "a", 2), "no-row"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string user = database(std::string(c.name) + " user.db", c.user);
    const std::string system = database(std::string(c.name) + " system.db", c.system);
    EXPECT_EQ(accessibilityVerdict(tccSectionAt(user, system, {"a"}, "", platform)), c.verdict);
  }
}

TEST_F(TccTest, NoClientsReadsNothing) {
  platform.staticCodeAvailable = true;
  const json tcc = parsed(tccSectionAt("/nonexistent/a", "/nonexistent/b", {}, "/A.app", platform));
  EXPECT_EQ(tcc, json::parse(R"({"status":"skipped"})"));
  EXPECT_TRUE(platform.calls.empty());
}

TEST_F(TccTest, StatusWordsCarrySqliteCodes) {
  const std::string good = database("good.db", row("s", "a", 2));
  const std::string noTable = dir.file("no-table.db");
  makeDatabase(noTable, "CREATE TABLE other (x INTEGER);");
  const std::string notDb = dir.file("not-a-db.db");
  testing::writeFile(notDb, std::string(4096, 'x'));
  const std::string empty = dir.file("empty.db");
  testing::writeFile(empty, "");
  static const struct {
    const char* name;
    std::string path;
    const char* status;
    std::size_t rows;
  } kCases[] = {
      {"readable", good, "ok", 1},
      {"missing file", dir.path() + "/missing.db", "open-failed-14", 0},
      {"missing folder", dir.path() + "/missing/TCC.db", "open-failed-14", 0},
      {"a folder", dir.path(), "open-failed-14", 0},
      {"no access table", noTable, "query-failed-1", 0},
      {"not a database", notDb, "query-failed-26", 0},
      {"empty file", empty, "query-failed-1", 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::optional<std::string> status;
    const json out = rows(c.path, {"a", "b"}, status);
    EXPECT_EQ(status, std::optional<std::string>(c.status));
    EXPECT_EQ(out.size(), c.rows);
  }
}

// A real database of an older system, whose access table has no auth_value column.
TEST_F(TccTest, AccessTableWithoutAuthValueIsAQueryFailure) {
  if (!std::filesystem::is_directory(OZMI_FIXTURES)) {
    GTEST_SKIP() << "no sample databases at " OZMI_FIXTURES;
  }
  std::optional<std::string> status;
  EXPECT_EQ(rows(OZMI_FIXTURES "/tcc-user-macos10.15.db", {"a", "b"}, status).size(), 0u);
  EXPECT_EQ(status, std::optional<std::string>("query-failed-1"));
}

TEST_F(TccTest, SystemUnreadableKeepsUserRows) {
  const std::string user = database("user.db", row("s", "a", 2));
  const json tcc = parsed(tccSectionAt(user, dir.path() + "/none.db", {"a"}, "", platform));
  EXPECT_EQ(tcc["user"], "ok");
  EXPECT_EQ(tcc["system"], "open-failed-14");
  ASSERT_EQ(tcc["rows"].size(), 1u);
  EXPECT_EQ(tcc["rows"][0]["db"], "user");
  EXPECT_FALSE(tcc.contains("status"));
}

TEST_F(TccTest, ColumnsOfUnexpectedTypesAndNulls) {
  // Only the columns read are given; the table has no type constraints that stop odd values.
  const std::string path = dir.file("odd.db");
  makeDatabase(path,
               "CREATE TABLE access (service, client, auth_value, auth_reason, "
               "indirect_object_identifier, last_modified, csreq);"
               "INSERT INTO access VALUES (NULL, 'a', NULL, NULL, NULL, NULL, NULL);"
               "INSERT INTO access VALUES (42, 'a', '3', 'x', 7, '12', 'text csreq');"
               "INSERT INTO access VALUES ('s', 'a', 2.9, -1, 'com.apple.Finder', "
               "9223372036854775807, X'');"
               "INSERT INTO access VALUES (CAST(X'ff' AS TEXT), 'a', 4294967298, 0, "
               "CAST(X'c0af' AS TEXT), -5, NULL);"
               "INSERT INTO access VALUES ('a/b\"c', 'a', 0, 0, CAST(X'410042' AS TEXT), 0, NULL);");
  std::optional<std::string> status;
  const json out = rows(path, {"a"}, status);
  EXPECT_EQ(status, "ok");
  const json expected = json::parse(R"([
    {"db":"user","service":"","client":"a","authValue":0,"authReason":0,"indirect":null,"lastModified":0,"csreq":"none"},
    {"db":"user","service":"42","client":"a","authValue":3,"authReason":0,"indirect":"7","lastModified":12,"csreq":"unchecked"},
    {"db":"user","service":"s","client":"a","authValue":2,"authReason":-1,"indirect":"com.apple.Finder","lastModified":9223372036854775807,"csreq":"none"},
    {"db":"user","client":"a","authValue":2,"authReason":0,"lastModified":-5,"csreq":"none"},
    {"db":"user","service":"a/b\"c","client":"a","authValue":0,"authReason":0,"indirect":"A\u0000B","lastModified":0,"csreq":"none"}
  ])");
  EXPECT_EQ(out, expected);
}

TEST_F(TccTest, RequirementOutcomes) {
  const std::string unparseable = "bad";
  const std::string cdhash = "req-cdhash";
  const std::string developer = "req-developer";
  const std::string other = "req-other";
  const std::string noText = "req-no-text";
  platform.unparseableBlobs = {unparseable};
  platform.requirementTexts = {
      {cdhash, "cdhash H\"00\" or anchor apple generic"},
      {developer, "identifier \"x\" and anchor apple generic"},
      {other, "identifier \"x\" and anchor apple"},
  };
  const std::string path = database("reqs.db", "");
  for (const std::string& blob : {unparseable, cdhash, developer, other, noText}) {
    insertRow(path,
              "INSERT INTO access (service, client, auth_value, auth_reason, last_modified, csreq) "
              "VALUES ('s', 'a', 2, 0, 0, ?1)",
              {blob});
  }
  static const struct {
    const char* name;
    bool bundle;
    bool codeMade;
    std::int32_t check;
    const char* csreq[5];
    const char* kinds[5];
    bool withStatus;
  } kCases[] = {
      {"no bundle", false, false, 0,
       {"unparseable", "unchecked", "unchecked", "unchecked", "unchecked"},
       {nullptr, "cdhash", "developer-id", "other", nullptr}, false},
      {"bundle whose code cannot be made", true, false, 0,
       {"unparseable", "unchecked", "unchecked", "unchecked", "unchecked"},
       {nullptr, "cdhash", "developer-id", "other", nullptr}, false},
      {"matching bundle", true, true, 0,
       {"unparseable", "matches", "matches", "matches", "matches"},
       {nullptr, "cdhash", "developer-id", "other", nullptr}, true},
      {"other bundle", true, true, -67050,
       {"unparseable", "mismatch", "mismatch", "mismatch", "mismatch"},
       {nullptr, "cdhash", "developer-id", "other", nullptr}, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    platform.staticCodeAvailable = c.codeMade;
    platform.checkStatus = c.check;
    const json tcc = parsed(tccSectionAt(path, path, {"a"}, c.bundle ? "/Apps/X.app" : "", platform));
    ASSERT_EQ(tcc["rows"].size(), 10u);
    for (std::size_t i = 0; i < 10; ++i) {
      const json& r = tcc["rows"][i];
      const std::size_t k = i % 5;
      SCOPED_TRACE(k);
      EXPECT_EQ(r["csreq"], c.csreq[k]);
      EXPECT_EQ(r.contains("csreqKind"), c.kinds[k] != nullptr);
      if (c.kinds[k]) {
        EXPECT_EQ(r["csreqKind"], c.kinds[k]);
      }
      const bool checked = c.withStatus && k != 0;
      EXPECT_EQ(r.contains("csreqStatus"), checked);
      if (checked) {
        EXPECT_EQ(r["csreqStatus"], c.check);
      }
    }
  }
  EXPECT_EQ(platform.count("staticCode /Apps/X.app"), 3);
}

TEST_F(TccTest, EmptyAndHugeBlobs) {
  const std::string path = database("blobs.db", "");
  const std::string huge(16 * 1024 * 1024, '\xfa');
  insertRow(path,
            "INSERT INTO access (service, client, auth_value, auth_reason, last_modified, csreq) "
            "VALUES ('empty', 'a', 2, 0, 0, ?1)",
            {""});
  insertRow(path,
            "INSERT INTO access (service, client, auth_value, auth_reason, last_modified, csreq) "
            "VALUES ('huge', 'a', 2, 0, 0, ?1)",
            {huge});
  platform.unparseableBlobs = {huge};
  std::optional<std::string> status;
  const json out = rows(path, {"a"}, status);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0]["csreq"], "none");
  EXPECT_FALSE(out[0].contains("csreqKind"));
  EXPECT_EQ(out[1]["csreq"], "unparseable");
}

TEST_F(TccTest, ClientIdentifiersAreBoundNotSpliced) {
  const std::string path = database(
      "clients.db", row("s1", "it''s", 2) + row("s2", "100%", 2) + row("s3", "what?", 2) +
                        row("s4", "x'' OR ''1''=''1", 2) + row("s5", "plain", 2) +
                        row("s6", "caf\xc3\xa9", 2));
  static const struct {
    const char* client;
    const char* service;  // nullptr: no row
  } kCases[] = {
      {"it's", "s1"},
      {"100%", "s2"},
      {"100_", nullptr},
      {"what?", "s3"},
      {"x' OR '1'='1", "s4"},
      {"' OR 1=1 --", nullptr},
      {"plain'; DROP TABLE access; --", nullptr},
      {"caf\xc3\xa9", "s6"},
      {"%", nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.client);
    std::optional<std::string> status;
    const json out = rows(path, {c.client}, status);
    EXPECT_EQ(status, "ok");
    ASSERT_EQ(out.size(), c.service ? 1u : 0u);
    if (c.service) {
      EXPECT_EQ(out[0]["service"], c.service);
      EXPECT_EQ(out[0]["client"], c.client);
    }
  }
  std::optional<std::string> status;
  EXPECT_EQ(rows(path, {"plain"}, status).size(), 1u);
}

TEST_F(TccTest, HundredThousandRows) {
  const std::string path = database(
      "big.db",
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
      "INSERT INTO access (service, client, auth_value, auth_reason, last_modified) "
      "SELECT 'svc' || i, 'a', 2, 0, i FROM n;");
  std::optional<std::string> status;
  const ozmi::json::Value::Array out = tccRows(path, "system", {"a"}, std::nullopt, status, platform);
  EXPECT_EQ(status, "ok");
  ASSERT_EQ(out.size(), 100000u);
  const json last = parsed(out.back());
  EXPECT_EQ(last["service"], "svc100000");
  EXPECT_EQ(last["lastModified"], 100000);
}

// A FIFO would block open(2) until a writer comes; none of these is opened, and the other
// database is read as usual.
TEST_F(TccTest, PathsThatHoldNoRegularFileAreNotOpened) {
  const std::string system = database("system.db", row("s", "a", 2));
  const std::string fifo = dir.file("fifo.db");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string linkToFifo = dir.file("link.db");
  std::filesystem::create_symlink(fifo, linkToFifo);
  const std::string socketPath = dir.file("socket.db");
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
  ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  static const struct {
    const char* name;
    std::string path;
  } kCases[] = {
      {"a FIFO", fifo},
      {"a link to a FIFO", linkToFifo},
      {"a socket", socketPath},
      {"a character device", "/dev/zero"},
      {"a folder", dir.path()},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const json tcc = parsed(tccSectionAt(c.path, system, {"a"}, "", platform));
    EXPECT_EQ(tcc["user"], "open-failed-14");
    EXPECT_EQ(tcc["system"], "ok");
    ASSERT_EQ(tcc["rows"].size(), 1u);
    EXPECT_EQ(tcc["rows"][0]["db"], "system");
  }
  ::close(listener);
}

// An "access" that is a view without end, or without bound on its memory: each database stops
// within its bounds and the other is read as usual.
TEST_F(TccTest, AHostileAccessViewIsStoppedWithinItsBounds) {
  const std::string columns =
      "'s' AS service, 'a' AS client, 2 AS auth_value, 0 AS auth_reason, "
      "NULL AS indirect_object_identifier, i AS last_modified, NULL AS csreq";
  static const struct {
    const char* name;
    std::string view;
    std::size_t rows;
  } kCases[] = {
      {"rows without end", "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r) SELECT " +
                               columns + " FROM r", kRowsPerDatabase},
      {"a loop that yields nothing",
       "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r) SELECT " + columns +
           " FROM r WHERE i < 0", 0},
      {"memory without end",
       "WITH RECURSIVE r(i, pad) AS (SELECT 1, '' UNION SELECT i + 1, pad || 'xxxxxxxxxxxxxxxx' FROM r) "
       "SELECT " + columns + " FROM r ORDER BY pad DESC", 0},
  };
  const std::string good = database("good.db", row("s", "a", 2));
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file(std::string(c.name) + ".db");
    makeDatabase(path, "CREATE VIEW access AS " + c.view + ";");
    const json tcc = parsed(tccSectionAt(path, good, {"a", "a"}, "", platform));
    EXPECT_EQ(tcc["user"], "ok");
    EXPECT_EQ(tcc["system"], "ok");
    ASSERT_EQ(tcc["rows"].size(), c.rows + 2);
    EXPECT_EQ(tcc["rows"].back()["db"], "system");
  }
}

// Rows of long texts without end stop at the text bound, long before the row bound.
TEST_F(TccTest, LongRowsWithoutEndStopAtTheTextBound) {
  constexpr std::size_t kServiceBytes = 100000;
  const std::string path = dir.file("long.db");
  makeDatabase(path,
               "CREATE VIEW access AS WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r) "
               "SELECT printf('%.*c', " + std::to_string(kServiceBytes) + ", 'x') AS service, 'a' AS client, "
               "2 AS auth_value, 0 AS auth_reason, NULL AS indirect_object_identifier, "
               "i AS last_modified, NULL AS csreq FROM r;");
  const std::string good = database("good.db", row("s", "a", 2));
  const json tcc = parsed(tccSectionAt(path, good, {"a"}, "", platform));
  EXPECT_EQ(tcc["user"], "ok");
  const std::size_t longRows = tcc["rows"].size() - 1;
  EXPECT_GT(longRows, 0u);
  EXPECT_LE(longRows, kRowTextPerDatabase / kServiceBytes + 1);
  EXPECT_EQ(tcc["rows"].back()["db"], "system");
}

TEST_F(TccTest, LockedDatabase) {
  const std::string path = database("locked.db", row("s", "a", 2));
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE; DELETE FROM access;", nullptr, nullptr, nullptr),
            SQLITE_OK);
  std::optional<std::string> status;
  const json out = rows(path, {"a", "a"}, status);
  EXPECT_EQ(status, "query-failed-5");
  EXPECT_TRUE(out.empty());
  sqlite3_exec(holder, "ROLLBACK;", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
  status.reset();
  EXPECT_EQ(rows(path, {"a"}, status).size(), 1u);
}

TEST_F(TccTest, DamagedDatabases) {
  // Enough rows to spread the table over many pages.
  const std::string sql =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
      "INSERT INTO access (service, client, auth_value, auth_reason, last_modified) "
      "SELECT printf('%0200d', i), 'a', 2, 0, i FROM n;";
  const std::string truncated = database("cut.db", sql);
  std::filesystem::resize_file(truncated, std::filesystem::file_size(truncated) / 2);
  std::optional<std::string> status;
  EXPECT_TRUE(rows(truncated, {"a", "a"}, status).empty());
  EXPECT_EQ(status, "query-failed-11");

  // The schema intact, the second half of the table's pages overwritten: the scan stops where
  // the damage starts and the rows before it stay.
  const std::string garbled = database("garbled.db", sql);
  const auto size = std::filesystem::file_size(garbled);
  {
    std::fstream file(garbled, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(size / 2));
    const std::string junk(size - size / 2, '\xa5');
    file.write(junk.data(), static_cast<std::streamsize>(junk.size()));
  }
  status.reset();
  const json out = rows(garbled, {"a", "a"}, status);
  EXPECT_EQ(status, "ok");
  EXPECT_GT(out.size(), 0u);
  EXPECT_LT(out.size(), 10000u);
}

TEST(TccSectionTest, FixedPathsFollowTheHomeDirectory) {
  FakePlatform platform;
  platform.passwdHome = "/nonexistent-home";
  const json tcc = parsed(tccSection({"a"}, "", platform));
  EXPECT_EQ(tcc["user"], "open-failed-14");
  EXPECT_EQ(tcc["rows"], json::array());
  EXPECT_EQ(std::string(kSystemTccPath), "/Library/Application Support/com.apple.TCC/TCC.db");
}

}  // namespace
}  // namespace ozmi::permission
