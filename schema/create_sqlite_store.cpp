#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "schema/store_schema.h"

namespace VyrSchema {
namespace {

// Owns one sqlite3 handle; sqlite3_open_v2 hands out a handle even when it fails.
class SqliteHandle {
 public:
  explicit SqliteHandle(const std::string& path) {
    rc_ = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  }
  ~SqliteHandle() { sqlite3_close(db_); }
  SqliteHandle(const SqliteHandle&) = delete;
  SqliteHandle& operator=(const SqliteHandle&) = delete;

  int OpenResult() const { return rc_; }
  sqlite3* Get() const { return db_; }
  std::string Message() const { return db_ ? sqlite3_errmsg(db_) : "out of memory"; }

 private:
  sqlite3* db_ = nullptr;
  int rc_ = SQLITE_OK;
};

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
  throw std::runtime_error("Cannot create the store database " + path + ": " + what);
}

void CreateParentFolders(const std::string& db_path) {
  const std::filesystem::path parent = std::filesystem::path(db_path).parent_path();
  if (parent.empty()) return;
  std::error_code ec;
  std::filesystem::create_directories(parent, ec);
  if (ec) Fail(db_path, ec.message());
}

void ExecOrFail(const SqliteHandle& db, const std::string& path, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db.Get(), sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return;
  const std::string text = message ? message : db.Message();
  sqlite3_free(message);
  sqlite3_exec(db.Get(), "ROLLBACK", nullptr, nullptr, nullptr);
  Fail(path, text);
}

}  // namespace

void CreateSqliteStore(const std::string& db_path) {
  CreateParentFolders(db_path);
  SqliteHandle db(db_path);
  if (db.OpenResult() != SQLITE_OK) Fail(db_path, db.Message());
  sqlite3_busy_timeout(db.Get(), 5000);
  // One transaction: a failing statement leaves no half-built schema behind.
  ExecOrFail(db, db_path, "BEGIN IMMEDIATE");
  ExecOrFail(db, db_path, StoreSchemaSqlite());
  ExecOrFail(db, db_path, "COMMIT");
  // Readers never wait for the worker's writes; the mode is kept in the file.
  ExecOrFail(db, db_path, "PRAGMA journal_mode = WAL");
}

}  // namespace VyrSchema
