#pragma once
// Runs a query's or command's statement on its connection: prepares it once per connection,
// binds every parameter by name and executes it. Private to the database layer.

#include <cstdint>
#include <memory>

#include "db/backend.h"
#include "db/connection.h"
#include "db/parameters.h"
#include "db/sql_text.h"

namespace ado {

// Prepares `stmt` again when it is missing or from an earlier connection (`generation` is
// updated), binds each parameter of the text from `params` (an undeclared one raises
// EADOError "Parameter 'X' not found") and executes. On a lost connection the statement is
// dropped and the connection closed before the error travels on.
void RunStatement(TADOConnection* connection, const SqlText& sql, const TParameters& params,
                  std::unique_ptr<Statement>& stmt, uint64_t& generation);

}  // namespace ado
