#pragma once
// One open sqlite3 database, shared by the backend and its statements. Private to the sqlite
// backend. Closing it finalises every statement still registered, so statements may outlive
// the backend safely.

#include <sqlite3.h>
#include <sys/types.h>

#include <set>
#include <string>

namespace ado {

class SqliteLink {
 public:
  explicit SqliteLink(const std::string& path);  // raises EADOError
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
  void Run(const char* sql);  // sqlite3_exec, raising on failure

  void Register(sqlite3_stmt** handle) { statements_.insert(handle); }
  void Unregister(sqlite3_stmt** handle) { statements_.erase(handle); }

 private:
  sqlite3* db_ = nullptr;
  std::string path_;
  bool identity_known_ = false;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  std::set<sqlite3_stmt**> statements_;
};

// True for result codes that mean the database file can no longer be used.
bool IsUnusableFile(int rc);

}  // namespace ado
