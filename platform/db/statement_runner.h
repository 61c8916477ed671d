#pragma once
// Runs a query's or command's statement on its connection: prepares it once per connection,
// binds every parameter by name and executes it. Private to the database layer.

#include <cstdint>
#include <memory>
#include <string>

#include "db/backend.h"
#include "db/connection.h"
#include "db/parameters.h"
#include "db/sql_text.h"

namespace ado {

// What a query or command hands over for one run.
struct StatementRun {
  TADOConnection* connection;  // null: never set up
  const SqlText& sql;
  const TParameters& params;
  int timeout_seconds;  // 0: without limit
  std::string label;    // "query 'adqVenda'", for messages
};

// Prepares `stmt` again when it is missing or from an earlier connection (`generation` is
// updated), binds each parameter of the text from `run.params` and executes. Raises
// rtl::EInvalidOperation for a statement never set up and for a parameter of the text that is
// not declared, EADOError::Interruption() while the connection is interrupted (before
// connecting). On a lost connection the statement is dropped and the connection closed before
// the error travels on.
void RunStatement(const StatementRun& run, std::unique_ptr<Statement>& stmt, uint64_t& generation);

// "query 'adqVenda'", or "query" for a statement without name.
std::string StatementLabel(const char* kind, const std::string& name);

// The declared parameter `name` of the statement `label`; raises rtl::EInvalidOperation
// "Parameter 'X' not found in <label>" for an undeclared one.
TParameter& DeclaredParam(TParameters& params, const std::string& name, const std::string& label);

}  // namespace ado
