#include "tcc_section.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

#include "accessibility_section.h"
#include "code_requirement.h"
#include "home_directory.h"

namespace ozmi::permission {
namespace {

bool allowedInUriPath(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  for (char allowed : std::string_view("-._~!$&'()*+,;=:@/")) {
    if (c == static_cast<unsigned char>(allowed)) return true;
  }
  return false;
}

// The text of a column, or none when it is NULL. Taken with its byte count, so a NUL inside
// the text does not cut it short.
std::optional<std::string> columnText(sqlite3_stmt* statement, int column) {
  if (sqlite3_column_type(statement, column) == SQLITE_NULL) return std::nullopt;
  const unsigned char* text = sqlite3_column_text(statement, column);
  const int size = sqlite3_column_bytes(statement, column);
  if (text == nullptr) return std::string();
  return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
}

// The most members a row has.
constexpr std::size_t kRowMembers = 10;

json::Value::Object rowObject(sqlite3_stmt* statement, const std::string& dbName,
                              const std::string& client, const std::optional<StaticCode>& code,
                              Platform& platform) {
  json::Value::Object row;
  row.reserve(kRowMembers);
  row.push_back({"db", dbName});
  std::string service = columnText(statement, 0).value_or("");
  if (json::isValidUtf8(service)) row.push_back({"service", std::move(service)});
  row.push_back({"client", client});
  row.push_back({"authValue", sqlite3_column_int(statement, 2)});
  row.push_back({"authReason", sqlite3_column_int(statement, 3)});
  std::optional<std::string> indirect = columnText(statement, 4);
  if (!indirect) {
    row.push_back({"indirect", json::Null{}});
  } else if (json::isValidUtf8(*indirect)) {
    row.push_back({"indirect", std::move(*indirect)});
  }
  row.push_back({"lastModified", static_cast<std::int64_t>(sqlite3_column_int64(statement, 5))});

  const void* blob = sqlite3_column_blob(statement, 6);
  const int blobSize = sqlite3_column_bytes(statement, 6);
  if (blob == nullptr || blobSize <= 0) {
    row.push_back({"csreq", "none"});
    return row;
  }
  std::optional<Requirement> requirement = platform.createRequirement(
      std::string_view(static_cast<const char*>(blob), static_cast<std::size_t>(blobSize)));
  if (!requirement) {
    row.push_back({"csreq", "unparseable"});
    return row;
  }
  std::optional<std::string> kind;
  if (std::optional<std::string> text = platform.requirementText(*requirement)) {
    kind = requirementKind(*text);
  }
  if (code) {
    const std::int32_t checked = platform.checkValidity(*code, *requirement);
    row.push_back({"csreq", checked == 0 ? "matches" : "mismatch"});
    if (kind) row.push_back({"csreqKind", *kind});
    row.push_back({"csreqStatus", checked});
  } else {
    row.push_back({"csreq", "unchecked"});
    if (kind) row.push_back({"csreqKind", *kind});
  }
  return row;
}

// What one database may cost. A view named "access" can run without end (a recursive query, a
// join of huge tables) or grow without end; SQLite stops it once the instruction budget is
// spent (SQLITE_INTERRUPT) or at the heap limit (SQLITE_NOMEM), and that ends the client's rows
// as any failed step does. The budget is counted, not timed, so that no load on the machine
// cuts a real database short: reading 100,000 rows for one client takes about 1.1 million
// instructions (0.15 s), a client without rows about 0.3 million, while 20 million stop a
// query that never ends after about a second.
constexpr int kInstructionsPerCheck = 1000;
constexpr int kChecksPerDatabase = 20000;
constexpr sqlite3_int64 kSqliteHeapLimit = 64 * 1024 * 1024;

int budgetSpent(void* checksLeft) {
  int& left = *static_cast<int*>(checksLeft);
  return --left < 0 ? 1 : 0;
}

// What is left of a bound once `cost` is taken from it.
void spend(std::size_t& left, std::size_t cost) { left = cost < left ? left - cost : 0; }

// Only a regular file (or a link to one) can be a database. Anything else at the path is not
// opened at all: open(2) of a FIFO waits for a writer that never comes, and any program of the
// user can put one at the user's database path. A path that cannot be looked at is left to
// SQLite, which answers for it as it answers for a missing file.
bool isOpenableDatabasePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  return error || status.type() == std::filesystem::file_type::regular ||
         status.type() == std::filesystem::file_type::not_found;
}

}  // namespace

std::string databaseUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (unsigned char c : path) {
    if (allowedInUriPath(c)) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    }
  }
  return uri + "?mode=ro";
}

json::Value::Array tccRows(const std::string& path, const std::string& dbName,
                           const std::vector<std::string>& clients,
                           const std::optional<StaticCode>& code,
                           std::optional<std::string>& status, Platform& platform) {
  json::Value::Array rows;
  if (!isOpenableDatabasePath(path)) {
    status = "open-failed-" + std::to_string(SQLITE_CANTOPEN);
    return rows;
  }
  sqlite3_hard_heap_limit64(kSqliteHeapLimit);  // SQLite's own allocations, process-wide
  sqlite3* db = nullptr;
  const int opened =
      sqlite3_open_v2(databaseUri(path).c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                      nullptr);
  if (opened != SQLITE_OK) {
    status = "open-failed-" + std::to_string(opened);
    if (db != nullptr) sqlite3_close(db);
    return rows;
  }
  // Sorts and temporary tables stay in memory, under the heap limit, instead of in files.
  sqlite3_exec(db, "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
  int checksLeft = kChecksPerDatabase;
  std::size_t textLeft = kRowTextPerDatabase;
  sqlite3_progress_handler(db, kInstructionsPerCheck, budgetSpent, &checksLeft);
  for (const std::string& client : clients) {
    sqlite3_stmt* statement = nullptr;
    const int prepared = sqlite3_prepare_v2(db, kTccQuery, -1, &statement, nullptr);
    if (prepared != SQLITE_OK) {
      status = "query-failed-" + std::to_string(prepared);
      sqlite3_finalize(statement);
      break;
    }
    sqlite3_bind_text(statement, 1, client.c_str(), -1, SQLITE_TRANSIENT);
    while (rows.size() < kRowsPerDatabase && textLeft > 0 && sqlite3_step(statement) == SQLITE_ROW) {
      json::Value row = rowObject(statement, dbName, client, code, platform);
      // A row held as its text takes a fifth of its tree's memory; only the rows that the
      // accessibility verdict reads stay trees.
      if (verdictReadsRow(row)) {
        if (const std::optional<std::string> text = json::write(row)) spend(textLeft, text->size());
        rows.push_back(std::move(row));
      } else {
        json::Value text = json::written(std::move(row));
        if (const auto* w = std::get_if<json::Written>(&text.data)) spend(textLeft, w->text.size());
        rows.push_back(std::move(text));
      }
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  if (!status) status = "ok";
  return rows;
}

json::Value tccSectionAt(const std::string& userPath, const std::string& systemPath,
                         const std::vector<std::string>& clients, const std::string& bundlePath,
                         Platform& platform) {
  if (clients.empty()) return json::Value::Object{{"status", "skipped"}};
  std::optional<StaticCode> code;
  if (!bundlePath.empty()) code = platform.createStaticCode(bundlePath);
  std::optional<std::string> userStatus;
  std::optional<std::string> systemStatus;
  json::Value::Array rows = tccRows(userPath, "user", clients, code, userStatus, platform);
  json::Value::Array systemRows =
      tccRows(systemPath, "system", clients, code, systemStatus, platform);
  code.reset();
  rows.reserve(rows.size() + systemRows.size());
  for (json::Value& row : systemRows) rows.push_back(std::move(row));
  return json::objectOf(
      {{"user", *userStatus}, {"system", *systemStatus}, {"rows", std::move(rows)}});
}

json::Value tccSection(const std::vector<std::string>& clients, const std::string& bundlePath,
                       Platform& platform) {
  if (clients.empty()) return json::Value::Object{{"status", "skipped"}};
  return tccSectionAt(appendPathComponent(homeDirectory(platform), kTccRelativePath),
                      kSystemTccPath, clients, bundlePath, platform);
}

}  // namespace ozmi::permission
