#pragma once
// Errors raised by the database layer. A failure of the database or of the connection is an
// EADOError; a misuse of the layer by its caller (an undeclared parameter, a statement never
// set up, a transaction begun inside another) is rtl::EInvalidOperation instead.

#include <string>

#include "rtl/errors.h"

namespace ado {

class EADOError : public rtl::EDatabaseError {
 public:
  EADOError(const std::string& message, std::string sql_state = "", int native_error = 0,
            bool connection_lost = false)
      : rtl::EDatabaseError(message),
        sql_state_(std::move(sql_state)),
        native_error_(native_error),
        connection_lost_(connection_lost) {}

  // The error of a statement ended, or refused, by TADOConnection::Interrupt: SQLSTATE "HY008",
  // message "Statement interrupted: the worker is stopping".
  static EADOError Interruption() {
    EADOError error("Statement interrupted: the worker is stopping", "HY008");
    error.interrupted_ = true;
    return error;
  }

  const std::string& SqlState() const { return sql_state_; }
  int NativeError() const { return native_error_; }
  // The connection can no longer be used (SQLSTATE 08xxx on ODBC, an unusable database file on
  // SQLite); the connection has been closed and the next statement reconnects.
  bool ConnectionLost() const { return connection_lost_; }
  // The statement was stopped by TADOConnection::Interrupt; the connection is still usable.
  bool Interrupted() const { return interrupted_; }

 private:
  std::string sql_state_;
  int native_error_;
  bool connection_lost_;
  bool interrupted_ = false;
};

}  // namespace ado
