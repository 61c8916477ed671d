#include "db/command.h"

#include "db/backend.h"
#include "db/statement_runner.h"

namespace ado {

TADOCommand::TADOCommand() = default;
TADOCommand::~TADOCommand() = default;

void TADOCommand::Setup(TADOConnection& connection, SqlText sql, std::vector<ParamDecl> params) {
  connection_ = &connection;
  sql_ = std::move(sql);
  params_ = TParameters(params);
  stmt_.reset();
  prepared_generation_ = 0;
}

TParameter& TADOCommand::ParamByName(const std::string& name) {
  return DeclaredParam(params_, name, StatementLabel("command", Name));
}

int64_t TADOCommand::Execute() {
  RunStatement({connection_, sql_, params_, CommandTimeout, StatementLabel("command", Name)}, stmt_,
               prepared_generation_);
  return stmt_->RowsAffected();
}

}  // namespace ado
