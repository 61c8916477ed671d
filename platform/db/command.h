#pragma once
// A parameterised statement without rows. Prepared once per connection and rebound on every
// execution.

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

  void Setup(TADOConnection& connection, SqlText sql, std::vector<ParamDecl> params);

  TParameters& Parameters() { return params_; }
  TParameter& ParamByName(const std::string& name) { return params_.ParamByName(name); }
  const SqlText& SQL() const { return sql_; }

  // Runs the statement with the bound values; returns the number of rows affected.
  int64_t Execute();

 private:
  TADOConnection* connection_ = nullptr;
  SqlText sql_;
  TParameters params_;
  std::unique_ptr<Statement> stmt_;
  uint64_t prepared_generation_ = 0;
};

}  // namespace ado
