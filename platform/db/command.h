#pragma once
// A parameterised statement without rows. Prepared once per connection and rebound on every
// execution. Used by the connection's owner thread only (see connection.h).

#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/parameters.h"
#include "db/sql_text.h"

namespace ado {

class Statement;  // db/backend.h

class TADOCommand {
 public:
  TADOCommand();
  ~TADOCommand();
  TADOCommand(const TADOCommand&) = delete;
  TADOCommand& operator=(const TADOCommand&) = delete;

  // The component's name ("acmUpdStatComand"), for the messages of misuse.
  std::string Name;
  // Time limit of each execution, in seconds; 0: without limit. On SQLite it bounds the wait
  // for a database locked by another connection; on ODBC it is the query time-out.
  int CommandTimeout = 30;

  void Setup(TADOConnection& connection, SqlText sql, std::vector<ParamDecl> params);

  TParameters& Parameters() { return params_; }
  // Raises rtl::EInvalidOperation for a name that is not declared.
  TParameter& ParamByName(const std::string& name);
  const SqlText& SQL() const { return sql_; }

  // Runs the statement with the bound values; returns the number of rows affected. A command
  // never set up, or whose text names an undeclared parameter, raises rtl::EInvalidOperation;
  // a failure of the database, an expired time limit or an interruption raises EADOError.
  int64_t Execute();

 private:
  TADOConnection* connection_ = nullptr;
  SqlText sql_;
  TParameters params_;
  std::unique_ptr<Statement> stmt_;
  uint64_t prepared_generation_ = 0;
};

}  // namespace ado
