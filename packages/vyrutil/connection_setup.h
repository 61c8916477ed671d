#pragma once
// Where the store database is and how a session on it is set up.

#include <exception>
#include <string>

#include "db/connection.h"

namespace VyrUtil {

// The store's connection string, "sqlite:<path>" or "odbc:<ODBC connection string>", from, in
// this order: the environment variable VYR_CONEXAO; the line "StringConexao=..." of
// <program directory>/Dados/Conexao.ini; "sqlite:" + <program directory>/Dados/Loja.db.
// The argument is unused (callers pass an empty text). A Conexao.ini that exists but cannot be
// read, has no "StringConexao=" line or an empty value raises rtl::EInOutError naming the file.
std::string GetStringConexVyr(const std::string& unused);

// The connection string and where it came from: "variavel de ambiente VYR_CONEXAO", the path
// of the ini file, or "padrao". Raises as GetStringConexVyr.
struct ConnectionSource {
  std::string connection_string;
  std::string source;
};
ConnectionSource GetStringConexVyrOrigem();

// The connection string with the values of PWD= and Password= (any case) replaced by "***",
// for messages and the host's start-up lines.
std::string MascaraSenha(const std::string& connection_string);

// Sets a freshly opened session up: on SQLite foreign keys on and a WAL journal;
// on SQL Server the session settings the statements assume.
void SetADODBSession(ado::TADOConnection& connection);

// The message text of a caught error. Never contains a password from the connection string.
std::string ADOExceptionMessage(const std::exception& error, ado::TADOConnection& connection,
                                const std::string& extra);

}  // namespace VyrUtil
