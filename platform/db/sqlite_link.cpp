#include "db/sqlite_link.h"

#include <sys/stat.h>

#include "db/db_error.h"

namespace ado {

namespace {

const char* SqlStateFor(int rc) {
  if (IsUnusableFile(rc)) return "08S01";
  if ((rc & 0xff) == SQLITE_CONSTRAINT) return "23000";
  return "HY000";
}

}  // namespace

bool IsUnusableFile(int rc) {
  switch (rc & 0xff) {
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_CANTOPEN:
    case SQLITE_NOTADB:
      return true;
    default:
      return rc == SQLITE_READONLY_DBMOVED;
  }
}

SqliteLink::SqliteLink(const std::string& path) : path_(path) {
  // No SQLITE_OPEN_CREATE: a mistyped path must fail instead of creating an empty store.
  int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    throw EADOError("Cannot open database file " + path + ": " + message, "08001", rc);
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, 5000);
  struct stat info;
  if (stat(path.c_str(), &info) == 0) {
    identity_known_ = true;
    device_ = info.st_dev;
    inode_ = info.st_ino;
  }
}

void SqliteLink::Close() {
  for (sqlite3_stmt** handle : statements_) {
    sqlite3_finalize(*handle);
    *handle = nullptr;
  }
  statements_.clear();
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

void SqliteLink::CheckFile() const {
  if (!identity_known_) return;
  // An open file handle keeps working on a removed or replaced file, so writes would go to a
  // file nobody reads any more; compare the file at the path with the one we opened.
  struct stat info;
  if (stat(path_.c_str(), &info) != 0 || info.st_dev != device_ || info.st_ino != inode_) {
    throw EADOError("The database file " + path_ + " was removed or replaced", "08S01",
                    SQLITE_CANTOPEN, true);
  }
}

void SqliteLink::Raise(int rc) const {
  int code = db_ != nullptr ? sqlite3_extended_errcode(db_) : rc;
  if (code == SQLITE_OK) code = rc;
  std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
  throw EADOError(message, SqlStateFor(code), code, IsUnusableFile(code));
}

void SqliteLink::Run(const char* sql) {
  CheckFile();
  int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Raise(rc);
}

}  // namespace ado
