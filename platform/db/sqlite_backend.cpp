#include "db/sqlite_backend.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "db/db_error.h"
#include "db/result_builder.h"
#include "db/sqlite_link.h"
#include "db/statement_hook.h"
#include "rtl/datetime.h"

namespace ado {

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// "VARCHAR(4)" -> text of width 4; "NUMERIC(15,3)" -> number; "DATETIME" -> date-time; no
// declared type (an expression) -> decided by the values.
ColumnSpec SpecFromDeclType(const char* name, const char* decltype_text) {
  ColumnSpec spec;
  spec.name = name != nullptr ? name : "";
  if (decltype_text == nullptr || *decltype_text == '\0') return spec;
  std::string decl = Upper(decltype_text);
  auto has = [&decl](const char* part) { return decl.find(part) != std::string::npos; };
  if (has("DATE") || has("TIME")) {
    spec.kind = ColumnKind::DateTime;
  } else if (has("CHAR") || has("TEXT") || has("CLOB") || has("BLOB")) {
    spec.kind = ColumnKind::Text;
    size_t open = decl.find('(');
    if (open != std::string::npos) spec.width = std::atoi(decl.c_str() + open + 1);
  } else {
    spec.kind = ColumnKind::Number;
  }
  return spec;
}

rtl::Variant ReadCell(sqlite3_stmt* stmt, int column) {
  switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
      return rtl::Variant(static_cast<int64_t>(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
      return rtl::Variant(sqlite3_column_double(stmt, column));
    case SQLITE_NULL:
      return rtl::Variant::Null();
    default: {
      const void* bytes = sqlite3_column_blob(stmt, column);
      int size = sqlite3_column_bytes(stmt, column);
      return rtl::Variant(std::string(static_cast<const char*>(bytes), bytes ? size : 0));
    }
  }
}

class SqliteStatement : public Statement {
 public:
  SqliteStatement(std::shared_ptr<SqliteLink> link, const std::string& sql, int timeout_seconds);
  ~SqliteStatement() override;

  const std::vector<std::string>& ParameterNames() const override { return names_; }
  void Bind(const std::string& name, const rtl::Variant& value, ParamType type) override;
  void Execute(int timeout_seconds) override;
  rtl::DataPacket FetchAll() override;
  int64_t RowsAffected() const override { return rows_affected_; }

 private:
  sqlite3_stmt* Handle() const;
  std::vector<ColumnSpec> Columns() const;

  std::shared_ptr<SqliteLink> link_;
  const std::string sql_;
  sqlite3_stmt* stmt_ = nullptr;
  std::vector<std::string> names_;
  std::unique_ptr<ResultBuilder> result_;
  int64_t rows_affected_ = 0;
};

SqliteStatement::SqliteStatement(std::shared_ptr<SqliteLink> link, const std::string& sql,
                                 int timeout_seconds)
    : link_(std::move(link)), sql_(sql) {
  stmt_ = link_->TakeIdle(sql_);
  if (stmt_ == nullptr) {
    // Preparing reads the schema, so it may meet a locked database too.
    SqliteLink::Running running(*link_, timeout_seconds);
    int rc =
        sqlite3_prepare_v2(link_->Db(), sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) running.Raise(rc);
  }
  link_->Register(&stmt_);
  // sqlite3 gives a repeated :NAME one slot, so the slots are the distinct names.
  int count = sqlite3_bind_parameter_count(stmt_);
  for (int i = 1; i <= count; ++i) {
    const char* name = sqlite3_bind_parameter_name(stmt_, i);
    if (name != nullptr) names_.emplace_back(name + 1);
  }
}

SqliteStatement::~SqliteStatement() {
  if (stmt_ != nullptr) {
    link_->Unregister(&stmt_);
    link_->GiveBack(sql_, stmt_);
  }
}

sqlite3_stmt* SqliteStatement::Handle() const {
  if (stmt_ == nullptr) throw EADOError("The statement's connection is closed", "08003");
  return stmt_;
}

void SqliteStatement::Bind(const std::string& name, const rtl::Variant& value, ParamType) {
  sqlite3_stmt* stmt = Handle();
  int index = sqlite3_bind_parameter_index(stmt, (":" + name).c_str());
  if (index == 0) throw rtl::EInvalidOperation("Parameter '" + name + "' not found");
  int rc = SQLITE_OK;
  switch (value.Type()) {
    case rtl::VarType::Null:
      rc = sqlite3_bind_null(stmt, index);
      break;
    case rtl::VarType::Integer:
      rc = sqlite3_bind_int64(stmt, index, value.AsInteger());
      break;
    case rtl::VarType::Float:
      rc = sqlite3_bind_double(stmt, index, value.AsFloat());
      break;
    default: {
      // Date-times are stored as "YYYY-MM-DD HH:MM:SS" text so they compare with stored text.
      std::string text = value.Type() == rtl::VarType::DateTime
                             ? rtl::FormatSqlDateTime(value.AsDateTime())
                             : value.AsString();
      rc = sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()),
                             SQLITE_TRANSIENT);
    }
  }
  if (rc != SQLITE_OK) link_->Raise(rc);
}

std::vector<ColumnSpec> SqliteStatement::Columns() const {
  std::vector<ColumnSpec> columns;
  int count = sqlite3_column_count(stmt_);
  for (int i = 0; i < count; ++i) {
    columns.push_back(
        SpecFromDeclType(sqlite3_column_name(stmt_, i), sqlite3_column_decltype(stmt_, i)));
  }
  return columns;
}

void SqliteStatement::Execute(int timeout_seconds) {
  sqlite3_stmt* stmt = Handle();
  BeforeStatement(sqlite3_sql(stmt));
  // Inside a transaction the file was checked at its BEGIN and is checked again at its COMMIT;
  // a statement on its own is checked before it runs.
  if (sqlite3_get_autocommit(link_->Db()) != 0) link_->CheckFile();
  SqliteLink::Running running(*link_, timeout_seconds);
  sqlite3_reset(stmt);
  sqlite3* db = link_->Db();
  // Counting through the total avoids sqlite3_changes' stale count after a statement that is
  // not an insert, update or delete.
  int64_t before = sqlite3_total_changes64(db);
  // The columns are read after the first step: a statement prepared before the table changed
  // is prepared again by that step, and "SELECT *" then has the table's columns of now.
  int rc = sqlite3_step(stmt);
  result_ = std::make_unique<ResultBuilder>(Columns());
  int columns = sqlite3_column_count(stmt);
  for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt)) {
    rtl::Row row;
    row.reserve(columns);
    for (int i = 0; i < columns; ++i) row.push_back(ReadCell(stmt, i));
    result_->AddRow(std::move(row));
  }
  if (rc != SQLITE_DONE) {
    result_.reset();
    sqlite3_reset(stmt);
    running.Raise(rc);
  }
  rows_affected_ = sqlite3_total_changes64(db) - before;
  sqlite3_reset(stmt);
}

rtl::DataPacket SqliteStatement::FetchAll() {
  if (!result_) throw EADOError("The statement has not been executed");
  rtl::DataPacket packet = result_->Build();
  result_.reset();
  return packet;
}

class SqliteBackend : public Backend {
 public:
  SqliteBackend(const std::string& path, std::shared_ptr<InterruptGate> gate)
      : link_(std::make_shared<SqliteLink>(path, std::move(gate))) {}
  ~SqliteBackend() override { link_->Close(); }

  Dialect GetDialect() const override { return Dialect::SQLite; }
  std::string DbmsName() const override { return "SQLite"; }
  std::unique_ptr<Statement> Prepare(const std::string& sql, int timeout_seconds) override {
    return std::make_unique<SqliteStatement>(link_, sql, timeout_seconds);
  }
  void ExecuteDirect(const std::string& sql) override { link_->Run(sql.c_str()); }
  bool InTransaction() const override {
    return link_->IsOpen() && sqlite3_get_autocommit(link_->Db()) == 0;
  }
  // The module's transactions all write. Taking the write lock at the start waits for another
  // program's writes to end before anything is read; a deferred transaction would read first
  // and then fail at its first write (SQLITE_BUSY_SNAPSHOT) when that program had committed.
  void Begin() override { link_->Run("BEGIN IMMEDIATE"); }
  void Commit() override { link_->Run("COMMIT"); }
  void Rollback() override { link_->Run("ROLLBACK", /*interruptible=*/false); }

 private:
  std::shared_ptr<SqliteLink> link_;
};

}  // namespace

std::unique_ptr<Backend> OpenSqliteBackend(const std::string& path,
                                           std::shared_ptr<InterruptGate> gate) {
  return std::make_unique<SqliteBackend>(path, std::move(gate));
}

}  // namespace ado
