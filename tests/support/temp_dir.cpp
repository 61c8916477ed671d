#include "support/temp_dir.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace vyrtest {

TempDir::TempDir(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("Cannot create a temporary folder " + pattern + ": " +
                             std::generic_category().message(errno));
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  if (getenv("VYR_KEEP_TEST_DIRS") != nullptr) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

const char* SqliteOdbcDriver() {
  return VYR_SQLITE_ODBC_DRIVER;
}

std::string SqliteOdbcConnection(const std::string& db_path) {
  return std::string("DRIVER=") + SqliteOdbcDriver() + ";Database=" + db_path + ";Timeout=2000";
}

}  // namespace vyrtest
