#include "support/temp_store.h"

#include <stdlib.h>

#include <ctime>
#include <filesystem>
#include <stdexcept>

#include "rtl/datetime.h"
#include "schema/store_schema.h"

namespace vyrtest {
namespace {

[[noreturn]] void Fail(sqlite3* db, const std::string& sql) {
  throw std::runtime_error(std::string("SQLite: ") + sqlite3_errmsg(db) + " in: " + sql);
}

// Owns one prepared statement.
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql, const SqlArgs& args) : db_(db), sql_(sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) Fail(db, sql);
    if (static_cast<int>(args.size()) != sqlite3_bind_parameter_count(stmt_)) {
      sqlite3_finalize(stmt_);
      throw std::runtime_error("Wrong number of arguments for: " + sql);
    }
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i].Bind(stmt_, static_cast<int>(i) + 1) != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        Fail(db, sql);
      }
    }
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // True while a row is available.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) Fail(db_, sql_);
    return false;
  }

  std::vector<std::string> Row() const {
    std::vector<std::string> row;
    const int columns = sqlite3_column_count(stmt_);
    for (int i = 0; i < columns; ++i) {
      const unsigned char* text = sqlite3_column_text(stmt_, i);
      row.emplace_back(text ? reinterpret_cast<const char*>(text) : kNull);
    }
    return row;
  }

 private:
  sqlite3* db_;
  std::string sql_;
  sqlite3_stmt* stmt_ = nullptr;
};

// The local time now, by the process clock (rtl::Now, which a test may hold still), moved by
// `days` calendar days (mktime normalises the day of month).
std::string FormatLocal(int days, const char* format) {
  const rtl::DateTimeParts now = rtl::DecodeDateTime(rtl::Now());
  std::tm local{};
  local.tm_year = now.year - 1900;
  local.tm_mon = now.month - 1;
  local.tm_mday = now.day + days;
  local.tm_hour = now.hour;
  local.tm_min = now.minute;
  local.tm_sec = now.second;
  local.tm_isdst = -1;
  std::mktime(&local);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, format, &local);
  return buffer;
}

}  // namespace

int SqlArg::Bind(sqlite3_stmt* stmt, int index) const {
  switch (kind_) {
    case Kind::kNull:
      return sqlite3_bind_null(stmt, index);
    case Kind::kText:
      return sqlite3_bind_text(stmt, index, text_.c_str(), static_cast<int>(text_.size()),
                               SQLITE_TRANSIENT);
    case Kind::kInteger:
      return sqlite3_bind_int64(stmt, index, integer_);
    case Kind::kReal:
      return sqlite3_bind_double(stmt, index, real_);
  }
  return SQLITE_MISUSE;
}

TempStore::TempStore()
    : folder_("vyr_store"), dir_(folder_.Path()), db_path_(dir_ + "/Dados/Loja.db") {
  VyrSchema::CreateSqliteStore(db_path_);
  // The official schemas an installation gets from the store-making commands; a copy, so that
  // nothing a test does to them reaches the project's own.
  std::filesystem::create_directories(dir_ + "/Dados/Schemas/nfe-4.00");
  std::filesystem::copy(VYR_SOURCE_DIR "/packages/fiscal/nfce/schemas/nfe-4.00",
                        dir_ + "/Dados/Schemas/nfe-4.00");
  if (sqlite3_open_v2(db_path_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    const std::string message = sqlite3_errmsg(db_);
    sqlite3_close(db_);
    throw std::runtime_error("Cannot open " + db_path_ + ": " + message);
  }
  // The code under test holds its own connection to the same file.
  sqlite3_busy_timeout(db_, 5000);
}

TempStore::~TempStore() {
  sqlite3_close(db_);
}

std::string TempStore::SqliteConnectionString() const {
  return "sqlite:" + db_path_;
}

std::string TempStore::OdbcConnectionString() const {
  return "odbc:" + SqliteOdbcConnection(db_path_);
}

namespace {
void (*after_exec)() = nullptr;

void AfterExec() {
  if (after_exec != nullptr) after_exec();
}
}  // namespace

void TempStore::SetAfterExec(void (*hook)()) {
  after_exec = hook;
}

void TempStore::Exec(const std::string& sql) const {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) {
    AfterExec();
    return;
  }
  const std::string text = message ? message : sqlite3_errmsg(db_);
  sqlite3_free(message);
  throw std::runtime_error("SQLite: " + text + " in: " + sql);
}

void TempStore::Exec(const std::string& sql, const SqlArgs& args) const {
  Statement statement(db_, sql, args);
  while (statement.Step()) {
  }
  AfterExec();
}

Rows TempStore::Query(const std::string& sql, const SqlArgs& args) const {
  Statement statement(db_, sql, args);
  Rows rows;
  while (statement.Step()) rows.push_back(statement.Row());
  return rows;
}

std::string TempStore::Scalar(const std::string& sql, const SqlArgs& args) const {
  const Rows rows = Query(sql, args);
  if (rows.empty() || rows.front().empty()) throw std::runtime_error("No value from: " + sql);
  return rows.front().front();
}

int TempStore::Count(const std::string& table, const std::string& where,
                     const SqlArgs& args) const {
  std::string sql = "SELECT COUNT(*) FROM " + table;
  if (!where.empty()) sql += " WHERE " + where;
  return std::stoi(Scalar(sql, args));
}

std::string TodayText() {
  return DayText(0);
}

// The store's day comes from the host's real clock, as the store's own "today" does
// (SQLite's date('now','localtime'), SQL Server's GETDATE()), whatever clock a test gives the
// process.
std::string DayText(int days) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  local.tm_mday += days;
  local.tm_hour = 12;
  local.tm_isdst = -1;
  std::mktime(&local);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d 00:00:00", &local);
  return buffer;
}

std::string ClockDayText() {
  return FormatLocal(0, "%Y-%m-%d 00:00:00");
}

std::string NowText() {
  return FormatLocal(0, "%Y-%m-%d %H:%M:%S");
}

}  // namespace vyrtest
