#pragma once
// Where the store database is and how a session on it is set up.

#include <exception>
#include <string>

#include "db/connection.h"

namespace VyrUtil {

// The store's connection string, "sqlite:<path>" or "odbc:<ODBC connection string>", from, in
// this order: the environment variable VYR_CONEXAO; the line "StringConexao=..." of
// <program directory>/Dados/Conexao.ini; "sqlite:" + <program directory>/Dados/Loja.db.
// The argument is unused (callers pass an empty text).
std::string GetStringConexVyr(const std::string& unused);

// Sets a freshly opened session up: on SQLite foreign keys on and a WAL journal;
// on SQL Server the session settings the statements assume.
void SetADODBSession(ado::TADOConnection& connection);

// The message text of a caught error. Never contains a password from the connection string.
std::string ADOExceptionMessage(const std::exception& error, ado::TADOConnection& connection,
                                const std::string& extra);

}  // namespace VyrUtil
