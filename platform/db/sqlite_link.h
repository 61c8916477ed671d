#pragma once
// One open sqlite3 database, shared by the backend and its statements. Private to the sqlite
// backend. Closing it finalises every statement still registered, so statements may outlive
// the backend safely.
//
// Prepared statements are kept for reuse: a statement that goes is reset, its values cleared,
// and handed to the next statement of the same text on this connection (at most
// kIdleStatements of them); closing the connection finalises them.
//
// Lock waits: each run (SqliteLink::Running) waits for a database locked by another connection
// as long as its own time limit, 0 meaning without limit; Interrupt() on the connection ends an
// interruptible run's wait, or its work, at once.

#include <sqlite3.h>
#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>

#include "db/interrupt_gate.h"

namespace ado {

class SqliteLink {
 public:
  // Raises EADOError for a missing or unreadable file, and for a store that cannot be written
  // (a read-only file, or a folder where SQLite cannot create its journal).
  SqliteLink(const std::string& path, std::shared_ptr<InterruptGate> gate);
  ~SqliteLink() { Close(); }
  SqliteLink(const SqliteLink&) = delete;
  SqliteLink& operator=(const SqliteLink&) = delete;

  sqlite3* Db() const { return db_; }
  bool IsOpen() const { return db_ != nullptr; }
  void Close();

  // Raises a lost connection when the file at the path is not the one that was opened any more.
  void CheckFile() const;
  // Raises the database's current error as EADOError.
  [[noreturn]] void Raise(int rc) const;
  // sqlite3_exec as one run without time limit, raising on failure.
  void Run(const char* sql, bool interruptible = true);

  void Register(sqlite3_stmt** handle) { statements_.insert(handle); }
  void Unregister(sqlite3_stmt** handle) { statements_.erase(handle); }

  static constexpr size_t kIdleStatements = 256;
  // A statement of exactly this text prepared before and given back, or nullptr.
  sqlite3_stmt* TakeIdle(const std::string& sql);
  // Keeps `stmt` (reset, without values) for the next statement of its text, or finalises it.
  void GiveBack(const std::string& sql, sqlite3_stmt* stmt);

  // The scope of one run of a statement. Its lock wait lasts `timeout_seconds` (0: without
  // limit). An interruptible run is refused while the connection is interrupted, and
  // Interrupt() stops it; a run that is not interruptible (a roll-back) is neither.
  class Running {
   public:
    Running(SqliteLink& link, int timeout_seconds, bool interruptible = true);
    ~Running();
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

    // Raises the run's failure `rc`: the interruption, a lock wait that ran out its limit
    // (SQLSTATE "HYT00"), or the database's error.
    [[noreturn]] void Raise(int rc) const;

   private:
    SqliteLink& link_;
    std::optional<InterruptGate::Run> gate_run_;
  };

 private:
  struct LockWait {
    bool active = false;  // no run: a busy database fails at once
    bool interruptible = false;
    int seconds = 0;  // 0: without limit
    std::chrono::steady_clock::time_point deadline;
    bool expired = false;
  };

  void CheckWritable() const;
  static int OnBusy(void* link, int count);
  bool WaitForLock(int count);

  sqlite3* db_ = nullptr;
  std::string path_;
  const std::shared_ptr<InterruptGate> gate_;
  bool identity_known_ = false;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  std::set<sqlite3_stmt**> statements_;
  std::unordered_multimap<std::string, sqlite3_stmt*> idle_;
  LockWait wait_;
};

// True for result codes that mean the database file can no longer be used.
bool IsUnusableFile(int rc);

}  // namespace ado
