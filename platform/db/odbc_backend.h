#pragma once
// The backend over ODBC (unixODBC), for "odbc:<ODBC connection string>" connection strings.
// Private to the database layer. Named parameters are rewritten to positional ones; a repeated
// name is bound at each of its places. The dialect follows the server's DBMS name: "SQLite"
// (the SQLite3 ODBC driver) or SQL Server for any other.
//
// Time limits: a statement's limit is its SQL_ATTR_QUERY_TIMEOUT (0: without limit); how a
// driver applies it is its own affair (the SQLite3 ODBC driver waits for a locked database as
// long as the connection string's Timeout says, whatever the statement's limit). Interrupt()
// calls SQLCancel on the statement that runs; a commit already under way runs to its end.

#include <memory>
#include <string>

#include "db/backend.h"
#include "db/interrupt_gate.h"

namespace ado {

std::unique_ptr<Backend> OpenOdbcBackend(const std::string& odbc_string,
                                         std::shared_ptr<InterruptGate> gate);

}  // namespace ado
