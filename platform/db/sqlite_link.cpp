#include "db/sqlite_link.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "db/connection.h"
#include "db/db_error.h"
#include "db/statement_hook.h"

namespace ado {

namespace {

const char* SqlStateFor(int rc) {
  if (IsUnusableFile(rc)) return "08S01";
  if ((rc & 0xff) == SQLITE_CONSTRAINT) return "23000";
  return "HY000";
}

// Pauses between tries of a locked database: short at first, then at most 100 ms, so a lock
// that goes is noticed soon without spinning.
std::chrono::milliseconds Backoff(int tries) {
  static const int kSteps[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50};
  constexpr int kCount = static_cast<int>(sizeof kSteps / sizeof kSteps[0]);
  return std::chrono::milliseconds(tries < kCount ? kSteps[tries] : 100);
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

SqliteLink::SqliteLink(const std::string& path, std::shared_ptr<InterruptGate> gate)
    : path_(path), gate_(std::move(gate)) {
  // No SQLITE_OPEN_CREATE: a mistyped path must fail instead of creating an empty store.
  int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    throw EADOError("Cannot open database file " + path + ": " + message, "08001", rc);
  }
  try {
    CheckWritable();
  } catch (...) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
  sqlite3_extended_result_codes(db_, 1);
  struct stat info;
  if (stat(path.c_str(), &info) == 0) {
    identity_known_ = true;
    device_ = info.st_dev;
    inode_ = info.st_ino;
  }
}

void SqliteLink::CheckWritable() const {
  // sqlite3 quietly opens a file it may not write read-only, and a folder it may not write
  // fails only at the first write, when the journal cannot be made: say so at connect instead.
  const std::string prefix = "The database file " + path_ + " cannot be opened for writing: ";
  if (sqlite3_db_readonly(db_, "main") == 1) {
    throw EADOError(prefix + "the file is read-only", "08001", SQLITE_READONLY);
  }
  std::string folder = std::filesystem::path(path_).parent_path().string();
  if (folder.empty()) folder = ".";
  if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    throw EADOError(prefix + "its folder " + folder +
                        " is read-only, and SQLite keeps its journal beside the file",
                    "08001", SQLITE_READONLY);
  }
}

void SqliteLink::Close() {
  for (sqlite3_stmt** handle : statements_) {
    sqlite3_finalize(*handle);
    *handle = nullptr;
  }
  statements_.clear();
  for (auto& [sql, stmt] : idle_) sqlite3_finalize(stmt);
  idle_.clear();
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

sqlite3_stmt* SqliteLink::TakeIdle(const std::string& sql) {
  auto found = idle_.find(sql);
  if (found == idle_.end()) return nullptr;
  sqlite3_stmt* stmt = found->second;
  idle_.erase(found);
  return stmt;
}

void SqliteLink::GiveBack(const std::string& sql, sqlite3_stmt* stmt) {
  // Preparing costs more than running most of the module's statements, which are the same
  // few texts over and over; a reset statement holds no lock, and SQLite prepares it again by
  // itself when the schema changed.
  if (db_ == nullptr || idle_.size() >= kIdleStatements) {
    sqlite3_finalize(stmt);
    return;
  }
  sqlite3_reset(stmt);
  sqlite3_clear_bindings(stmt);
  idle_.emplace(sql, stmt);
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

void SqliteLink::Run(const char* sql, bool interruptible) {
  BeforeStatement(sql);
  CheckFile();
  Running running(*this, 0, interruptible);
  int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) running.Raise(rc);
}

int SqliteLink::OnBusy(void* link, int count) {
  return static_cast<SqliteLink*>(link)->WaitForLock(count) ? 1 : 0;
}

bool SqliteLink::WaitForLock(int count) {
  if (!wait_.active) return false;
  std::chrono::milliseconds pause = Backoff(count);
  if (wait_.seconds > 0) {
    auto now = std::chrono::steady_clock::now();
    if (now >= wait_.deadline) {
      wait_.expired = true;
      return false;
    }
    auto left = std::chrono::ceil<std::chrono::milliseconds>(wait_.deadline - now);
    pause = std::min(pause, left);
  }
  if (OnLockWait) OnLockWait();
  if (!wait_.interruptible) {
    std::this_thread::sleep_for(pause);
    return true;
  }
  return gate_->Pause(pause);
}

SqliteLink::Running::Running(SqliteLink& link, int timeout_seconds, bool interruptible)
    : link_(link) {
  if (interruptible) {
    sqlite3* db = link_.db_;
    gate_run_.emplace(*link_.gate_, [db] { sqlite3_interrupt(db); });
  }
  LockWait& wait = link_.wait_;
  wait.active = true;
  wait.interruptible = interruptible;
  wait.seconds = std::max(0, timeout_seconds);
  wait.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(wait.seconds);
  wait.expired = false;
  // Installed for every run: a session's "PRAGMA busy_timeout" would otherwise replace the
  // statement's own limit.
  sqlite3_busy_handler(link_.db_, &SqliteLink::OnBusy, &link_);
}

SqliteLink::Running::~Running() {
  link_.wait_ = LockWait();
}

void SqliteLink::Running::Raise(int rc) const {
  sqlite3* db = link_.db_;
  int code = db != nullptr ? sqlite3_extended_errcode(db) : rc;
  if (code == SQLITE_OK) code = rc;
  if (gate_run_ && link_.gate_->Interrupted() && !IsUnusableFile(code)) {
    throw EADOError::Interruption();
  }
  if (link_.wait_.expired && (code & 0xff) == SQLITE_BUSY) {
    throw EADOError(std::string(sqlite3_errmsg(db)) +
                        " (gave up after the statement's time limit of " +
                        std::to_string(link_.wait_.seconds) + " s)",
                    "HYT00", code);
  }
  link_.Raise(rc);
}

}  // namespace ado
