#include "test_databases.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace ozmi::permission::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "ozmi-ph-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::file(const std::string& name) const {
  std::filesystem::path full = std::filesystem::path(path_) / name;
  std::filesystem::create_directories(full.parent_path());
  return full.string();
}

void makeDatabase(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open " + path);
  char* message = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  std::string text = message ? message : "";
  sqlite3_free(message);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("sql: " + text);
}

void insertRow(const std::string& path, const std::string& sql,
               const std::vector<std::string>& blobs) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open " + path);
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("prepare: " + sql);
  }
  for (std::size_t i = 0; i < blobs.size(); ++i) {
    sqlite3_bind_blob(statement, static_cast<int>(i + 1), blobs[i].data(),
                      static_cast<int>(blobs[i].size()), SQLITE_TRANSIENT);
  }
  const int rc = sqlite3_step(statement);
  sqlite3_finalize(statement);
  sqlite3_close(db);
  if (rc != SQLITE_DONE) throw std::runtime_error("step: " + sql);
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

}  // namespace ozmi::permission::testing
