#pragma once
// The backend over ODBC (unixODBC), for "odbc:<ODBC connection string>" connection strings.
// Private to the database layer. Named parameters are rewritten to positional ones; a repeated
// name is bound at each of its places. The dialect follows the server's DBMS name: "SQLite"
// (the SQLite3 ODBC driver) or SQL Server for any other.

#include <memory>
#include <string>

#include "db/backend.h"

namespace ado {

std::unique_ptr<Backend> OpenOdbcBackend(const std::string& odbc_string);

}  // namespace ado
