#pragma once
// A store database for one test: an empty SQLite file in a fresh temporary folder, reached
// either directly or through the SQLite3 ODBC driver.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "db/connection.h"
#include "rtl/errors.h"
#include "support/temp_dir.h"

namespace ado::testing {

enum class Path { Sqlite, Odbc };

inline std::string PathName(const ::testing::TestParamInfo<Path>& info) {
  return info.param == Path::Sqlite ? "Sqlite" : "Odbc";
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Rewrites the file's bytes in place: an open handle on it sees the new contents.
inline void OverwriteInPlace(const std::string& path, const std::string& bytes) {
  std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The message of the rtl::EInvalidOperation that `action` raises, "no error" when it raises none.
template <typename Action>
std::string MisuseMessage(Action action) {
  try {
    action();
    return "no error";
  } catch (const rtl::EInvalidOperation& error) {
    return error.Message();
  }
}

class DbTest : public ::testing::TestWithParam<Path> {
 protected:
  void SetUp() override {
    db_path_ = folder_.Path() + "/store.db";
    std::ofstream(db_path_).close();  // a zero-length file is an empty SQLite database
    if (GetParam() == Path::Odbc) {
      ASSERT_TRUE(std::filesystem::exists(vyrtest::SqliteOdbcDriver()))
          << "libsqliteodbc is missing";
    }
    connection_.ConnectionString = ConnectionString();
  }

  std::string ConnectionString() const {
    if (GetParam() == Path::Sqlite) return "sqlite:" + db_path_;
    return "odbc:" + vyrtest::SqliteOdbcConnection(db_path_);
  }

  vyrtest::TempDir folder_{"vyr_db"};
  std::string db_path_;
  TADOConnection connection_;
};

}  // namespace ado::testing
