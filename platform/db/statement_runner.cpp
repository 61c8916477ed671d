#include "db/statement_runner.h"

#include "db/bind_value.h"
#include "db/db_error.h"

namespace ado {

namespace {

std::string NotFound(const std::string& name, const std::string& label) {
  return "Parameter '" + name + "' not found in the " + label;
}

void BindAll(Statement& stmt, const TParameters& params, const std::string& label) {
  for (const std::string& name : stmt.ParameterNames()) {
    const TParameter* param = params.FindParam(name);
    if (param == nullptr) throw rtl::EInvalidOperation(NotFound(name, label));
    stmt.Bind(name, BindableValue(*param), param->DataType());
  }
}

}  // namespace

std::string StatementLabel(const char* kind, const std::string& name) {
  return name.empty() ? std::string(kind) : std::string(kind) + " '" + name + "'";
}

TParameter& DeclaredParam(TParameters& params, const std::string& name, const std::string& label) {
  const TParameter* found = params.FindParam(name);
  if (found == nullptr) throw rtl::EInvalidOperation(NotFound(name, label));
  return const_cast<TParameter&>(*found);
}

void RunStatement(const StatementRun& run, std::unique_ptr<Statement>& stmt, uint64_t& generation) {
  TADOConnection* connection = run.connection;
  if (connection == nullptr) {
    throw rtl::EInvalidOperation("Cannot run the " + run.label + ": it was never set up");
  }
  connection->ThrowIfInterrupted();
  try {
    Backend& backend = connection->EnsureBackend();
    if (!stmt || generation != connection->Generation()) {
      stmt.reset();
      stmt = backend.Prepare(run.sql.For(backend.GetDialect()), run.timeout_seconds);
      generation = connection->Generation();
    }
    BindAll(*stmt, run.params, run.label);
    stmt->Execute(run.timeout_seconds);
  } catch (const EADOError& error) {
    if (error.ConnectionLost()) {
      stmt.reset();
      connection->DropLostConnection();
    }
    throw;
  }
}

}  // namespace ado
