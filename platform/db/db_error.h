#pragma once
// Errors raised by the database layer.

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

  const std::string& SqlState() const { return sql_state_; }
  int NativeError() const { return native_error_; }
  // The connection can no longer be used (SQLSTATE 08xxx on ODBC, an unusable database file on
  // SQLite); the connection has been closed and the next statement reconnects.
  bool ConnectionLost() const { return connection_lost_; }

 private:
  std::string sql_state_;
  int native_error_;
  bool connection_lost_;
};

}  // namespace ado
