#pragma once
// One ODBC connection, shared by the ODBC backend and its statements. Private to the ODBC
// backend. Closing it frees every statement handle still registered, rolls back an open
// transaction and disconnects, so statements may outlive the backend safely.

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <set>
#include <string>

#include "db/db_error.h"
#include "db/interrupt_gate.h"
#include "db/sql_text.h"

namespace ado {

class OdbcLink {
 public:
  OdbcLink(const std::string& odbc_string,
           std::shared_ptr<InterruptGate> gate);  // raises EADOError
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

  // Runs `work` on `stmt` as one interruptible run: refused while the connection is
  // interrupted, and Interrupt() calls SQLCancel on `stmt` meanwhile. A failure of an
  // interrupted run is raised as the interruption, unless the connection was lost.
  template <typename Work>
  void RunInterruptible(SQLHSTMT stmt, Work work) {
    InterruptGate::Run run(*gate_, [stmt] { SQLCancel(stmt); });
    try {
      work();
    } catch (const EADOError& error) {
      if (!error.ConnectionLost() && gate_->Interrupted()) throw EADOError::Interruption();
      throw;
    }
  }

  bool InTransaction() const { return in_transaction_; }
  void Begin();
  // SQL_COMMIT (refused while interrupted) or SQL_ROLLBACK (never refused).
  void EndTransaction(SQLSMALLINT completion);
  void ExecuteDirect(const std::string& sql);

  void Register(SQLHSTMT* handle) { statements_.insert(handle); }
  void Unregister(SQLHSTMT* handle) { statements_.erase(handle); }

 private:
  void ReadDbmsName();

  const std::shared_ptr<InterruptGate> gate_;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  std::string dbms_name_;
  Dialect dialect_ = Dialect::SqlServer;
  bool in_transaction_ = false;
  std::set<SQLHSTMT*> statements_;
};

}  // namespace ado
