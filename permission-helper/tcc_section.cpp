#include "tcc_section.h"

#include <sqlite3.h>

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

json::Value::Object rowObject(sqlite3_stmt* statement, const std::string& dbName,
                              const std::string& client, const std::optional<StaticCode>& code,
                              Platform& platform) {
  json::Value::Object row;
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
  sqlite3* db = nullptr;
  const int opened =
      sqlite3_open_v2(databaseUri(path).c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                      nullptr);
  if (opened != SQLITE_OK) {
    status = "open-failed-" + std::to_string(opened);
    if (db != nullptr) sqlite3_close(db);
    return rows;
  }
  for (const std::string& client : clients) {
    sqlite3_stmt* statement = nullptr;
    const int prepared = sqlite3_prepare_v2(db, kTccQuery, -1, &statement, nullptr);
    if (prepared != SQLITE_OK) {
      status = "query-failed-" + std::to_string(prepared);
      sqlite3_finalize(statement);
      break;
    }
    sqlite3_bind_text(statement, 1, client.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(statement) == SQLITE_ROW) {
      rows.emplace_back(rowObject(statement, dbName, client, code, platform));
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
  for (json::Value& row : systemRows) rows.push_back(std::move(row));
  return json::Value::Object{
      {"user", *userStatus}, {"system", *systemStatus}, {"rows", std::move(rows)}};
}

json::Value tccSection(const std::vector<std::string>& clients, const std::string& bundlePath,
                       Platform& platform) {
  if (clients.empty()) return json::Value::Object{{"status", "skipped"}};
  return tccSectionAt(appendPathComponent(homeDirectory(platform), kTccRelativePath),
                      kSystemTccPath, clients, bundlePath, platform);
}

}  // namespace ozmi::permission
