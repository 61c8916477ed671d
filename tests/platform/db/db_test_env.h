#pragma once
// A store database for one test: an empty SQLite file in a fresh temporary folder, reached
// either directly or through the SQLite3 ODBC driver.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "db/connection.h"

namespace ado::testing {

enum class Path { Sqlite, Odbc };

inline std::string PathName(const ::testing::TestParamInfo<Path>& info) {
  return info.param == Path::Sqlite ? "Sqlite" : "Odbc";
}

// The driver by file, so no odbcinst.ini registration is needed.
constexpr const char* kSqliteOdbcDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vyr-db-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Rewrites the file's bytes in place: an open handle on it sees the new contents.
inline void OverwriteInPlace(const std::string& path, const std::string& bytes) {
  std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class DbTest : public ::testing::TestWithParam<Path> {
 protected:
  void SetUp() override {
    db_path_ = folder_.Path() + "/store.db";
    std::ofstream(db_path_).close();  // a zero-length file is an empty SQLite database
    if (GetParam() == Path::Odbc) {
      ASSERT_TRUE(std::filesystem::exists(kSqliteOdbcDriver)) << "libsqliteodbc is missing";
    }
    connection_.ConnectionString = ConnectionString();
  }

  std::string ConnectionString() const {
    if (GetParam() == Path::Sqlite) return "sqlite:" + db_path_;
    return std::string("odbc:DRIVER=") + kSqliteOdbcDriver + ";Database=" + db_path_ +
           ";Timeout=2000";
  }

  TempFolder folder_;
  std::string db_path_;
  TADOConnection connection_;
};

}  // namespace ado::testing
