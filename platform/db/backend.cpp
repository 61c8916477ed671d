#include "db/backend.h"

#include "db/db_error.h"
#include "db/odbc_backend.h"
#include "db/sqlite_backend.h"

namespace ado {

std::unique_ptr<Backend> OpenBackend(const std::string& connection_string,
                                     std::shared_ptr<InterruptGate> gate) {
  static const std::string kSqlite = "sqlite:";
  static const std::string kOdbc = "odbc:";
  if (connection_string.rfind(kSqlite, 0) == 0) {
    return OpenSqliteBackend(connection_string.substr(kSqlite.size()), std::move(gate));
  }
  if (connection_string.rfind(kOdbc, 0) == 0) {
    return OpenOdbcBackend(connection_string.substr(kOdbc.size()), std::move(gate));
  }
  // The string itself stays out of the message: it may carry a password.
  throw EADOError("Unknown connection string form: it must begin with \"sqlite:\" or \"odbc:\"",
                  "08001");
}

}  // namespace ado
