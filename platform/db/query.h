#pragma once
// A parameterised statement that returns rows (static cursor: opening it reads the whole
// result). Prepared once per connection and rebound on every open. Used by the connection's
// owner thread only (see connection.h).

#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/parameters.h"
#include "db/sql_text.h"
#include "rtl/client_dataset.h"

namespace ado {

class Statement;  // db/backend.h

class TADOQuery {
 public:
  TADOQuery();
  ~TADOQuery();
  TADOQuery(const TADOQuery&) = delete;
  TADOQuery& operator=(const TADOQuery&) = delete;

  // The component's name ("adqVenda"), for the messages of misuse.
  std::string Name;
  // Time limit of each open, in seconds; 0: without limit. On SQLite it bounds the wait for a
  // database locked by another connection; on ODBC it is the query time-out.
  int CommandTimeout = 30;

  // Sets the connection, the statement texts and the declared parameters.
  void Setup(TADOConnection& connection, SqlText sql, std::vector<ParamDecl> params);
  // Declares fixed result columns: the result then has exactly these, in this order, taken from
  // the statement's columns of the same names. A text longer than its field's width is cut to
  // that width (in characters, never inside one).
  void DeclareFields(std::vector<rtl::FieldDef> fields);

  TParameters& Parameters() { return params_; }
  // Raises rtl::EInvalidOperation for a name that is not declared.
  TParameter& ParamByName(const std::string& name);
  const SqlText& SQL() const { return sql_; }

  // Runs the statement with the bound values and stands on the first row (an open query stays
  // as it is: close it first to run it again). Columns come in
  // statement order with name, type and width: texts as String with their declared width,
  // numeric columns as Float, date-times as DateTime. A query never set up, or whose text
  // names an undeclared parameter, raises rtl::EInvalidOperation; a failure of the database,
  // an expired time limit or an interruption raises EADOError.
  void Open();
  void Close();
  bool Active() const { return rows_.Active(); }

  bool Eof() const { return rows_.Eof(); }
  void First() { rows_.First(); }
  void Next() { rows_.Next(); }
  int RecordCount() const { return rows_.RecordCount(); }
  bool IsEmpty() const { return rows_.IsEmpty(); }
  rtl::TField& FieldByName(const std::string& name) { return rows_.FieldByName(name); }
  // The whole result, as a data packet (raises EADOError when closed).
  rtl::DataPacket Packet() const;

 private:
  TADOConnection* connection_ = nullptr;
  SqlText sql_;
  TParameters params_;
  std::vector<rtl::FieldDef> fixed_fields_;
  rtl::TClientDataSet rows_;
  rtl::DataPacket packet_;  // the result as read, while open
  std::unique_ptr<Statement> stmt_;
  uint64_t prepared_generation_ = 0;
};

}  // namespace ado
