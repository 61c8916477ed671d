#include "db/statement_runner.h"

#include "db/bind_value.h"
#include "db/db_error.h"

namespace ado {

namespace {

void BindAll(Statement& stmt, const TParameters& params) {
  for (const std::string& name : stmt.ParameterNames()) {
    const TParameter* param = params.FindParam(name);
    if (param == nullptr) throw EADOError("Parameter '" + name + "' not found");
    stmt.Bind(name, BindableValue(*param), param->DataType());
  }
}

}  // namespace

void RunStatement(TADOConnection* connection, const SqlText& sql, const TParameters& params,
                  std::unique_ptr<Statement>& stmt, uint64_t& generation) {
  if (connection == nullptr) throw EADOError("The statement has no connection");
  try {
    Backend& backend = connection->EnsureBackend();
    if (!stmt || generation != connection->Generation()) {
      stmt.reset();
      stmt = backend.Prepare(sql.For(backend.GetDialect()));
      generation = connection->Generation();
    }
    BindAll(*stmt, params);
    stmt->Execute();
  } catch (const EADOError& error) {
    if (error.ConnectionLost()) {
      stmt.reset();
      connection->DropLostConnection();
    }
    throw;
  }
}

}  // namespace ado
