#include "db/odbc_link.h"

#include <mutex>
#include <vector>

#include "db/db_error.h"
#include "db/sqlite_link.h"

namespace ado {

namespace {

bool Succeeded(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// One environment for the process, made on first use and kept to the end.
SQLHENV Environment() {
  static SQLHENV env = [] {
    SQLHENV handle = SQL_NULL_HENV;
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle))) {
      throw EADOError("Cannot allocate the ODBC environment", "HY001");
    }
    SQLSetEnvAttr(handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    return handle;
  }();
  return env;
}

struct Diagnostic {
  std::string sql_state;
  int native = 0;
  std::string message;
};

Diagnostic ReadDiagnostics(SQLSMALLINT handle_type, SQLHANDLE handle) {
  Diagnostic diag;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[6] = {0};
    SQLINTEGER native = 0;
    std::vector<SQLCHAR> text(1024);
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRec(handle_type, handle, record, state, &native, text.data(),
                                 static_cast<SQLSMALLINT>(text.size()), &length);
    if (!Succeeded(rc)) break;
    if (record == 1) {
      diag.sql_state = reinterpret_cast<char*>(state);
      diag.native = native;
    } else {
      diag.message += "; ";
    }
    diag.message += reinterpret_cast<char*>(text.data());
  }
  if (diag.sql_state.empty()) diag.sql_state = "HY000";
  if (diag.message.empty()) diag.message = "The ODBC driver reported an error without a message";
  return diag;
}

}  // namespace

OdbcLink::OdbcLink(const std::string& odbc_string, std::shared_ptr<InterruptGate> gate)
    : gate_(std::move(gate)) {
  SQLHENV env = Environment();
  if (!Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc_))) Raise(SQL_HANDLE_ENV, env);
  SQLCHAR out[1024];
  SQLSMALLINT out_length = 0;
  SQLRETURN rc = SQLDriverConnect(
      dbc_, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(odbc_string.c_str())), SQL_NTS,
      out, sizeof out, &out_length, SQL_DRIVER_NOPROMPT);
  if (!Succeeded(rc)) {
    Diagnostic diag = ReadDiagnostics(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    dbc_ = SQL_NULL_HDBC;
    throw EADOError(diag.message, diag.sql_state, diag.native);
  }
  ReadDbmsName();
}

void OdbcLink::ReadDbmsName() {
  SQLCHAR name[256] = {0};
  SQLSMALLINT length = 0;
  Check(SQLGetInfo(dbc_, SQL_DBMS_NAME, name, sizeof name, &length), SQL_HANDLE_DBC, dbc_);
  dbms_name_ = reinterpret_cast<char*>(name);
  dialect_ = dbms_name_.rfind("SQLite", 0) == 0 ? Dialect::SQLite : Dialect::SqlServer;
}

void OdbcLink::Close() {
  if (dbc_ == SQL_NULL_HDBC) return;
  for (SQLHSTMT* handle : statements_) {
    SQLFreeHandle(SQL_HANDLE_STMT, *handle);
    *handle = SQL_NULL_HSTMT;
  }
  statements_.clear();
  // Disconnecting with an open transaction fails (25000), so roll it back first; errors are of
  // no use here, the connection is going away.
  if (in_transaction_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
  in_transaction_ = false;
  SQLDisconnect(dbc_);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  dbc_ = SQL_NULL_HDBC;
}

void OdbcLink::Raise(SQLSMALLINT handle_type, SQLHANDLE handle) const {
  Diagnostic diag = ReadDiagnostics(handle_type, handle);
  bool lost = diag.sql_state.rfind("08", 0) == 0 ||
              (dialect_ == Dialect::SQLite && IsUnusableFile(diag.native));
  throw EADOError(diag.message, diag.sql_state, diag.native, lost);
}

void OdbcLink::Check(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle) const {
  if (!Succeeded(rc) && rc != SQL_NO_DATA) Raise(handle_type, handle);
}

void OdbcLink::Begin() {
  gate_->ThrowIfInterrupted();
  Check(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                          reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER),
        SQL_HANDLE_DBC, dbc_);
  in_transaction_ = true;
}

void OdbcLink::EndTransaction(SQLSMALLINT completion) {
  if (completion == SQL_COMMIT) gate_->ThrowIfInterrupted();
  // A failed commit leaves the transaction open, as on the direct path; the caller rolls back.
  Check(SQLEndTran(SQL_HANDLE_DBC, dbc_, completion), SQL_HANDLE_DBC, dbc_);
  in_transaction_ = false;
  Check(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT,
                          reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), SQL_IS_UINTEGER),
        SQL_HANDLE_DBC, dbc_);
}

void OdbcLink::ExecuteDirect(const std::string& sql) {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt), SQL_HANDLE_DBC, dbc_);
  try {
    RunInterruptible(stmt, [&] {
      SQLCHAR* text = reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str()));
      Check(SQLExecDirect(stmt, text, SQL_NTS), SQL_HANDLE_STMT, stmt);
    });
  } catch (...) {
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    throw;
  }
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

}  // namespace ado
