// The report's "tcc" object: what the user and system permission databases record for the
// requested clients, each row's code requirement checked against the given bundle.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "helper_platform.h"
#include "json_text.h"

namespace ozmi::permission {

inline constexpr char kTccRelativePath[] = "Library/Application Support/com.apple.TCC/TCC.db";
inline constexpr char kSystemTccPath[] = "/Library/Application Support/com.apple.TCC/TCC.db";

inline constexpr char kTccQuery[] =
    "SELECT service, client, auth_value, auth_reason, indirect_object_identifier, "
    "last_modified, csreq FROM access WHERE client = ?";

// The most rows read from one database. Rows are held in the report until it is written, a
// few hundred bytes each as their text, so a view that yields rows without end stops here; a
// real database, even one of this many rows, is read whole.
inline constexpr std::size_t kRowsPerDatabase = 100000;

// The most reply text the rows of one database may make. Rows with texts of any length would
// otherwise grow the report without bound under the row cap; a real database of the largest
// size read whole makes a few tens of megabytes.
inline constexpr std::size_t kRowTextPerDatabase = 32 * 1024 * 1024;

// The SQLite URI that opens `path` read-only: "file:<path, percent-encoded>?mode=ro".
std::string databaseUri(const std::string& path);

// The rows that the database at `path` holds for each client, in client order, each row named
// `dbName`. Always sets `status`: "ok", "open-failed-<code>" or "query-failed-<code>" with
// SQLite's result code. A prepare failure stops at that client; the rows before it stay.
// A path that holds no regular file is not opened ("open-failed-14"), and the work of one
// database is bounded in instructions, memory and rows; a step stopped by a bound ends that
// client's rows like any other failed step. Rows come as `json::Written` text, except those
// that the accessibility verdict reads, which stay objects.
json::Value::Array tccRows(const std::string& path, const std::string& dbName,
                           const std::vector<std::string>& clients,
                           const std::optional<StaticCode>& code,
                           std::optional<std::string>& status, Platform& platform);

// The tcc object for databases at the given paths: {"status":"skipped"} for no clients, else
// "user", "system" and "rows" (user rows first).
json::Value tccSectionAt(const std::string& userPath, const std::string& systemPath,
                         const std::vector<std::string>& clients, const std::string& bundlePath,
                         Platform& platform);

// The tcc object for the platform's own two databases.
json::Value tccSection(const std::vector<std::string>& clients, const std::string& bundlePath,
                       Platform& platform);

}  // namespace ozmi::permission
