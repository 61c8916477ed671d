#pragma once
// A prepared ODBC statement. Private to the ODBC backend.

#include <memory>
#include <string>
#include <vector>

#include "db/backend.h"
#include "db/odbc_link.h"
#include "db/result_builder.h"

namespace ado {

class OdbcStatement : public Statement {
 public:
  OdbcStatement(std::shared_ptr<OdbcLink> link, const std::string& sql, int timeout_seconds);
  ~OdbcStatement() override;

  const std::vector<std::string>& ParameterNames() const override { return names_; }
  void Bind(const std::string& name, const rtl::Variant& value, ParamType type) override;
  void Execute(int timeout_seconds) override;
  rtl::DataPacket FetchAll() override;
  int64_t RowsAffected() const override { return rows_affected_; }

 private:
  // The value bound at one '?' position; the buffers stay put between bind and execute.
  struct Slot {
    rtl::Variant value = rtl::Variant::Null();
    ParamType type = ParamType::Unknown;
    std::string text;
    double number = 0;
    int64_t integer = 0;
    SQL_TIMESTAMP_STRUCT stamp{};
    SQLLEN indicator = 0;
  };

  SQLHSTMT Handle() const;
  void Check(SQLRETURN rc) const { link_->Check(rc, SQL_HANDLE_STMT, stmt_); }
  void SetTimeout(int seconds);
  void BindSlot(SQLUSMALLINT position, Slot& slot);
  void BindNull(SQLUSMALLINT position, Slot& slot);
  void ReadRows();
  std::vector<ColumnSpec> DescribeColumns(SQLSMALLINT count);
  rtl::Variant ReadCell(SQLUSMALLINT column, ColumnKind kind);
  rtl::Variant ReadText(SQLUSMALLINT column);

  std::shared_ptr<OdbcLink> link_;
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
  std::vector<std::string> names_;      // distinct
  std::vector<std::string> positions_;  // the name at each '?'
  std::vector<Slot> slots_;             // one per position
  std::unique_ptr<ResultBuilder> result_;
  int64_t rows_affected_ = 0;
  int timeout_ = -1;  // the SQL_ATTR_QUERY_TIMEOUT set on the handle
};

}  // namespace ado
