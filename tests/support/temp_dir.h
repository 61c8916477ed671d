#pragma once
// A fresh folder under the system's temporary folder for one test, removed with everything in it
// when the object goes (kept when the environment variable VYR_KEEP_TEST_DIRS is set, for
// looking at what a failed test left behind). Throws std::runtime_error when it cannot be made.

#include <string>

namespace vyrtest {

class TempDir {
 public:
  // `prefix` names the folder ("vyr_store" gives /tmp/vyr_store_XXXXXX).
  explicit TempDir(const std::string& prefix = "vyr_test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without trailing "/".
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The SQLite3 ODBC driver's library, found by the build (no odbcinst.ini registration needed).
const char* SqliteOdbcDriver();

// "DRIVER=<SqliteOdbcDriver()>;Database=<db_path>;Timeout=2000".
std::string SqliteOdbcConnection(const std::string& db_path);

}  // namespace vyrtest
