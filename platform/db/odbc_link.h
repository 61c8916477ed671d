#pragma once
// One ODBC connection, shared by the ODBC backend and its statements. Private to the ODBC
// backend. Closing it frees every statement handle still registered, rolls back an open
// transaction and disconnects, so statements may outlive the backend safely.

#include <sql.h>
#include <sqlext.h>

#include <set>
#include <string>

#include "db/sql_text.h"

namespace ado {

class OdbcLink {
 public:
  explicit OdbcLink(const std::string& odbc_string);  // raises EADOError
  ~OdbcLink() { Close(); }
  OdbcLink(const OdbcLink&) = delete;
  OdbcLink& operator=(const OdbcLink&) = delete;

  SQLHDBC Dbc() const { return dbc_; }
  bool IsOpen() const { return dbc_ != SQL_NULL_HDBC; }
  void Close();
  const std::string& DbmsName() const { return dbms_name_; }
  Dialect GetDialect() const { return dialect_; }

  // Raises the diagnostics of `handle` as EADOError. A lost connection is SQLSTATE 08xxx, or on
  // the SQLite driver a native code saying the database file became unusable.
  [[noreturn]] void Raise(SQLSMALLINT handle_type, SQLHANDLE handle) const;
  // Raises when `rc` is neither success nor SQL_NO_DATA.
  void Check(SQLRETURN rc, SQLSMALLINT handle_type, SQLHANDLE handle) const;

  bool InTransaction() const { return in_transaction_; }
  void Begin();
  void EndTransaction(SQLSMALLINT completion);  // SQL_COMMIT or SQL_ROLLBACK
  void ExecuteDirect(const std::string& sql);

  void Register(SQLHSTMT* handle) { statements_.insert(handle); }
  void Unregister(SQLHSTMT* handle) { statements_.erase(handle); }

 private:
  void ReadDbmsName();

  SQLHDBC dbc_ = SQL_NULL_HDBC;
  std::string dbms_name_;
  Dialect dialect_ = Dialect::SqlServer;
  bool in_transaction_ = false;
  std::set<SQLHSTMT*> statements_;
};

}  // namespace ado
