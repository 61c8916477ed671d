#pragma once
// The database connection. It connects on the first statement that opens or executes, running
// the before-connect handler (which may set the connection string), the connect itself, then
// the after-connect handler. When the after-connect handler fails, the connection is closed
// again and the error travels on, so the next statement retries the whole connect. A handler
// must not start a second connect of its own (EADOError). One transaction at a time.
//
// Threads: a connection, its statements and their results are used by one thread, the owner.
// The one exception is the stop request: Interrupt(), ClearInterrupt() and InterruptRequested()
// may be called from any thread at any time, also while the owner connects, runs a statement or
// has the connection closed; the caller keeps the connection alive until such a call returns.
//
// Connection strings: "sqlite:" + path of an existing database file (a missing file is an
// error, not a new empty store; a zero-length file is an empty database), or "odbc:" + an ODBC
// connection string. Error messages never repeat the connection string. On ODBC the dialect follows
// the server's DBMS name (SQLite through the SQLite3 ODBC driver, SQL Server otherwise).
//
// Lost connections: when a statement fails because the connection is gone (SQLSTATE 08xxx, or
// an SQLite file that became unusable, was removed or was replaced by another file), the connection
// closes itself and raises EADOError with ConnectionLost(); the next statement connects again and
// runs both handlers again. An open transaction is lost with the connection.
//
// Time limits: each query and command has its own (CommandTimeout). ExecuteDirect, BeginTrans,
// CommitTrans and RollbackTrans have none: they wait for a locked database as long as it takes,
// and only Interrupt() ends the wait of the first three.
//
// Interrupting: Interrupt() stops the statement that runs or waits for a lock, and stays in
// force until ClearInterrupt(): every statement, ExecuteDirect, BeginTrans and CommitTrans
// started meanwhile fails at once, before connecting. They raise EADOError::Interruption()
// (Interrupted() is true, SQLSTATE "HY008"); that is not a lost connection, and the connection
// stays open. RollbackTrans is never refused nor stopped, so a caller can always undo its work.
// - SQLite: a lock wait ends at once and the open transaction stays open; a statement stopped
//   while it works (sqlite3_interrupt) may take the open transaction with it, as SQLite rolls
//   back a statement interrupted at work; InTransaction() tells which.
// - ODBC: SQLCancel on the running statement, which the driver honours when it can (the SQLite3
//   ODBC driver does not end its lock wait: the statement fails when the driver gives up). A
//   commit already under way, or a connect, runs to its end.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "db/sql_text.h"

namespace ado {

class Backend;        // db/backend.h: the driver interface the statements use
class InterruptGate;  // db/interrupt_gate.h

// Seam for code that must act while a statement waits for another program's lock: called on
// the waiting thread each time a statement on SQLite finds the database locked by another
// connection, just before it pauses to try again. Empty by default; set it only while no
// statement runs.
extern std::function<void()> OnLockWait;

class TADOConnection {
 public:
  using Handler = std::function<void(TADOConnection&)>;

  TADOConnection();
  ~TADOConnection();
  TADOConnection(const TADOConnection&) = delete;
  TADOConnection& operator=(const TADOConnection&) = delete;

  std::string ConnectionString;
  Handler BeforeConnect;
  Handler AfterConnect;

  // Connected := true connects (handlers included) when not connected; false closes, rolling
  // back an open transaction.
  void SetConnected(bool connected);
  bool Connected() const;
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }

  // The dialect of the connected server; connects first when needed.
  Dialect GetDialect();
  // The server's DBMS name ("SQLite", "Microsoft SQL Server", ...); connects first when needed.
  std::string DbmsName();

  // Transactions. BeginTrans with one open, and Commit/Rollback without one, are misuse and
  // raise rtl::EInvalidOperation; a failure of the database raises EADOError.
  bool InTransaction() const;
  void BeginTrans();
  void CommitTrans();
  void RollbackTrans();

  // Runs a statement without parameters or rows (session set-up), without time limit.
  // Connects first when needed.
  void ExecuteDirect(const std::string& sql);

  // The stop request; thread-safe, see the top of this file. Interrupt() never raises.
  void Interrupt() noexcept;
  void ClearInterrupt() noexcept;
  bool InterruptRequested() const noexcept;

  // For statements: the live backend, connecting first when needed. The generation changes on
  // every connect, so a statement knows when to prepare again.
  Backend& EnsureBackend();
  uint64_t Generation() const { return generation_; }
  // Called by statements when the backend reported a lost connection: closes without raising.
  void DropLostConnection();
  // Raises EADOError::Interruption() while a stop is requested.
  void ThrowIfInterrupted() const;

 private:
  // Runs `action` on the backend; a lost connection is dropped before the error travels on.
  template <typename Action>
  void Guarded(Action action);

  const std::shared_ptr<InterruptGate> gate_;
  std::unique_ptr<Backend> backend_;
  uint64_t generation_ = 0;
  bool connecting_ = false;  // a handler must not start a second connect
};

}  // namespace ado
