// Small permission databases made on the spot, in a temporary folder removed afterwards.
#pragma once

#include <string>
#include <vector>

namespace ozmi::permission::testing {

// The columns the helper reads, as the access table of current systems has them.
inline constexpr char kAccessTable[] =
    "CREATE TABLE access (service TEXT NOT NULL, client TEXT NOT NULL, client_type INTEGER, "
    "auth_value INTEGER, auth_reason INTEGER, auth_version INTEGER, csreq BLOB, "
    "policy_id INTEGER, indirect_object_identifier_type INTEGER, "
    "indirect_object_identifier TEXT, indirect_object_code_identity BLOB, flags INTEGER, "
    "last_modified INTEGER);";

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // `name` under the folder, its parent folders made.
  std::string file(const std::string& name) const;

 private:
  std::string path_;
};

// Runs `sql` on a new database at `path`. Parameters `?1`.. of a single statement are bound
// to `blobs` when given (for bytes that SQL literals cannot carry easily).
void makeDatabase(const std::string& path, const std::string& sql);
void insertRow(const std::string& path, const std::string& sql, const std::vector<std::string>& blobs);

// Writes `bytes` to a new file at `path`.
void writeFile(const std::string& path, const std::string& bytes);

}  // namespace ozmi::permission::testing
