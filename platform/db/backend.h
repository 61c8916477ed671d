#pragma once
// The driver interface behind TADOConnection, TADOQuery and TADOCommand. Private to the
// database layer: two implementations, the sqlite3 C API (sqlite_backend.h) and ODBC
// (odbc_backend.h).
//
// Every failure is raised as ado::EADOError with the driver's SQLSTATE (or the closest one for
// sqlite3), its native code and its message text. A failure that means the connection can no
// longer be used carries ConnectionLost(); the owner then drops the backend. A statement ended
// or refused by the connection's InterruptGate raises EADOError::Interruption().
//
// Lifetime: statements may outlive their backend. Closing the backend (or destroying it)
// releases every statement's driver handle; such a statement only raises afterwards, and its
// owner prepares a new one on the next connection.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/interrupt_gate.h"
#include "db/parameters.h"
#include "db/sql_text.h"
#include "rtl/data_packet.h"
#include "rtl/variant.h"

namespace ado {

class Statement {
 public:
  virtual ~Statement() = default;

  // The distinct parameter names of the statement text, without the colon, in order of first
  // appearance.
  virtual const std::vector<std::string>& ParameterNames() const = 0;
  // Binds a value to every place of the named parameter. `value` is Null, Integer, Float,
  // String or DateTime (see BindableValue); `type` is the declared type, used to type a NULL.
  // Bound values stay until bound again.
  virtual void Bind(const std::string& name, const rtl::Variant& value, ParamType type) = 0;
  // Runs the statement with the bound values, with a time limit in seconds (0: without limit).
  // For a statement with rows, FetchAll reads them.
  virtual void Execute(int timeout_seconds) = 0;
  // Reads every row of the last execution: columns in statement order with name, type, width.
  virtual rtl::DataPacket FetchAll() = 0;
  // Rows inserted, updated or deleted by the last execution.
  virtual int64_t RowsAffected() const = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;

  virtual Dialect GetDialect() const = 0;
  virtual std::string DbmsName() const = 0;

  // Prepares a statement once; it is then executed any number of times with new values. The
  // preparation keeps the statement's time limit.
  virtual std::unique_ptr<Statement> Prepare(const std::string& sql, int timeout_seconds) = 0;
  // Runs a statement without parameters or rows, without time limit.
  virtual void ExecuteDirect(const std::string& sql) = 0;

  // Transactions wait without time limit. Begin and Commit are refused while the connection is
  // interrupted and Interrupt() may end them; Rollback is never refused nor interrupted.
  virtual bool InTransaction() const = 0;
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
};

// Connects by connection string: "sqlite:<path>" or "odbc:<ODBC connection string>". Raises
// EADOError for an unknown form or a failed connect; the message never carries the connection
// string (it may hold a password). `gate` is the connection's stop request.
std::unique_ptr<Backend> OpenBackend(const std::string& connection_string,
                                     std::shared_ptr<InterruptGate> gate);

}  // namespace ado
