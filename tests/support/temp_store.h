#pragma once
// A fresh store database in its own temporary folder, for tests that need a real SQLite store.
//
// TempStore creates /tmp/vyr_store_XXXXXX/Dados/Loja.db with the full store schema (and the
// official NF-e schemas under Dados/Schemas/nfe-4.00, as the store-making commands install them)
// and talks to it through the raw sqlite3 API, independently of the platform's database layer, so
// that a test can arrange rows and check the database's state without trusting the code under test.
// The folder is removed by the destructor unless the environment variable VYR_KEEP_TEST_DIRS is
// set.
//
// Not thread-safe: one TempStore per test. Every failure (folder, schema, statement) throws
// std::runtime_error carrying the statement and SQLite's message.

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vyrtest {

// One bound statement argument: text, integer, floating point or NULL.
class SqlArg {
 public:
  SqlArg(std::nullptr_t) : kind_(Kind::kNull) {}
  SqlArg(const char* text) : kind_(Kind::kText), text_(text) {}
  SqlArg(std::string text) : kind_(Kind::kText), text_(std::move(text)) {}
  SqlArg(int value) : kind_(Kind::kInteger), integer_(value) {}
  SqlArg(long value) : kind_(Kind::kInteger), integer_(value) {}
  SqlArg(long long value) : kind_(Kind::kInteger), integer_(value) {}
  SqlArg(double value) : kind_(Kind::kReal), real_(value) {}

  // Binds this value to position `index` (1-based) of `stmt`; returns the sqlite3 result code.
  int Bind(sqlite3_stmt* stmt, int index) const;

 private:
  enum class Kind { kNull, kText, kInteger, kReal };
  Kind kind_;
  std::string text_;
  std::int64_t integer_ = 0;
  double real_ = 0;
};

using SqlArgs = std::vector<SqlArg>;
using Rows = std::vector<std::vector<std::string>>;

// How Query() shows an SQL NULL.
inline constexpr const char* kNull = "\\N";

class TempStore {
 public:
  TempStore();
  ~TempStore();
  TempStore(const TempStore&) = delete;
  TempStore& operator=(const TempStore&) = delete;

  // The temporary folder (the program directory of a test), without trailing "/".
  const std::string& Dir() const { return dir_; }
  // Dir() + "/Dados/Loja.db".
  const std::string& DbPath() const { return db_path_; }
  // "sqlite:" + DbPath(), the form the connection-string lookup returns.
  std::string SqliteConnectionString() const;
  // "odbc:" + a connection string for the SQLite3 ODBC driver on DbPath().
  std::string OdbcConnectionString() const;

  // Runs one statement (or, without arguments, a script of several) with `?` or `:NAME`
  // placeholders bound by position, then calls the hook set by SetAfterExec.
  void Exec(const std::string& sql) const;
  void Exec(const std::string& sql, const SqlArgs& args) const;
  // Runs a query; every value as text (REAL in SQLite's shortest form), NULL as kNull.
  Rows Query(const std::string& sql, const SqlArgs& args = {}) const;
  // The single value of a one-row, one-column query; throws when there is no row.
  std::string Scalar(const std::string& sql, const SqlArgs& args = {}) const;
  // SELECT COUNT(*) FROM `table` [WHERE `where`]; `table` and `where` come from test code only.
  int Count(const std::string& table, const std::string& where = "",
            const SqlArgs& args = {}) const;

  // A function every Exec calls after its statement (nullptr: none). A test program whose code
  // keeps settings read from the store sets one that forgets them: a change a test makes stands
  // for one a support person made long enough ago to be seen. A change through Handle() calls
  // nothing.
  static void SetAfterExec(void (*hook)());

  // The raw handle, for checks the helpers above do not cover. Owned by this object.
  sqlite3* Handle() const { return db_; }

 private:
  TempDir folder_;
  std::string dir_;
  std::string db_path_;
  sqlite3* db_ = nullptr;
};

// The store's local date today, by the host's real clock (the clock the store's own date
// functions read, whatever clock a test gives the process), as stored in date columns:
// "YYYY-MM-DD 00:00:00".
std::string TodayText();
// The local date `days` days from today (negative: in the past), as TodayText().
std::string DayText(int days);
// Today's local date by the process's clock, rtl::Now() (which a test may hold still), as
// TodayText() writes it: the day the module itself takes for today.
std::string ClockDayText();
// The current local date-time: "YYYY-MM-DD HH:MM:SS".
std::string NowText();

}  // namespace vyrtest
