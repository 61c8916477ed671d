#include "db/query.h"

#include "db/backend.h"
#include "db/db_error.h"
#include "db/fixed_fields.h"
#include "db/statement_runner.h"

namespace ado {

TADOQuery::TADOQuery() = default;
TADOQuery::~TADOQuery() = default;

void TADOQuery::Setup(TADOConnection& connection, SqlText sql, std::vector<ParamDecl> params) {
  Close();
  connection_ = &connection;
  sql_ = std::move(sql);
  params_ = TParameters(params);
  stmt_.reset();
  prepared_generation_ = 0;
}

void TADOQuery::DeclareFields(std::vector<rtl::FieldDef> fields) {
  Close();
  fixed_fields_ = std::move(fields);
  rows_.DeclareFields(fixed_fields_);
}

TParameter& TADOQuery::ParamByName(const std::string& name) {
  return DeclaredParam(params_, name, StatementLabel("query", Name));
}

void TADOQuery::Open() {
  if (Active()) return;
  RunStatement({connection_, sql_, params_, CommandTimeout, StatementLabel("query", Name)}, stmt_,
               prepared_generation_);
  rtl::DataPacket packet = stmt_->FetchAll();
  if (!fixed_fields_.empty()) packet = FitToFields(packet, fixed_fields_);
  rows_.SetData(rtl::Variant(packet));
  packet_ = std::move(packet);
}

void TADOQuery::Close() {
  rows_.Close();
  packet_ = rtl::DataPacket();
}

rtl::DataPacket TADOQuery::Packet() const {
  if (!Active()) throw EADOError("Cannot read the result of a closed query");
  return packet_;
}

}  // namespace ado
