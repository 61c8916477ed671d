#include "db/odbc_statement.h"

#include <algorithm>
#include <string>

#include "db/db_error.h"
#include "db/named_params.h"
#include "rtl/datetime.h"

namespace ado {

namespace {

constexpr SQLULEN kLongTextFrom = 8000;  // longer texts go as SQL_LONGVARCHAR (varchar(max))

ColumnKind KindOfSqlType(SQLSMALLINT type) {
  switch (type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
      return ColumnKind::Text;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_BIGINT:
      return ColumnKind::Number;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
      return ColumnKind::DateTime;
    default:
      return ColumnKind::Text;  // binary, GUID, ...: read as text
  }
}

SQL_TIMESTAMP_STRUCT ToStamp(rtl::TDateTime value) {
  rtl::DateTimeParts parts = rtl::DecodeDateTime(value);
  SQL_TIMESTAMP_STRUCT stamp{};
  stamp.year = static_cast<SQLSMALLINT>(parts.year);
  stamp.month = static_cast<SQLUSMALLINT>(parts.month);
  stamp.day = static_cast<SQLUSMALLINT>(parts.day);
  stamp.hour = static_cast<SQLUSMALLINT>(parts.hour);
  stamp.minute = static_cast<SQLUSMALLINT>(parts.minute);
  stamp.second = static_cast<SQLUSMALLINT>(parts.second);
  stamp.fraction = static_cast<SQLUINTEGER>(parts.msec) * 1000000u;
  return stamp;
}

rtl::TDateTime FromStamp(const SQL_TIMESTAMP_STRUCT& stamp) {
  rtl::DateTimeParts parts;
  parts.year = stamp.year;
  parts.month = stamp.month;
  parts.day = stamp.day;
  parts.hour = stamp.hour;
  parts.minute = stamp.minute;
  parts.second = stamp.second;
  parts.msec = static_cast<int>(stamp.fraction / 1000000u);
  return rtl::EncodeDateTime(parts);
}

}  // namespace

OdbcStatement::OdbcStatement(std::shared_ptr<OdbcLink> link, const std::string& sql,
                             int timeout_seconds)
    : link_(std::move(link)) {
  PositionalSql positional = ToPositional(sql);
  positions_ = std::move(positional.names);
  for (const std::string& name : positions_) {
    if (std::find(names_.begin(), names_.end(), name) == names_.end()) names_.push_back(name);
  }
  slots_.resize(positions_.size());
  SQLHDBC dbc = link_->Dbc();
  link_->Check(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt_), SQL_HANDLE_DBC, dbc);
  SQLCHAR* text = reinterpret_cast<SQLCHAR*>(const_cast<char*>(positional.text.c_str()));
  try {
    SetTimeout(timeout_seconds);
    link_->RunInterruptible(stmt_, [&] { Check(SQLPrepare(stmt_, text, SQL_NTS)); });
  } catch (...) {
    SQLFreeHandle(SQL_HANDLE_STMT, stmt_);  // the destructor does not run for a failed prepare
    throw;
  }
  link_->Register(&stmt_);
}

OdbcStatement::~OdbcStatement() {
  if (stmt_ != SQL_NULL_HSTMT) {
    SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    link_->Unregister(&stmt_);
  }
}

SQLHSTMT OdbcStatement::Handle() const {
  if (stmt_ == SQL_NULL_HSTMT) throw EADOError("The statement's connection is closed", "08003");
  return stmt_;
}

void OdbcStatement::Bind(const std::string& name, const rtl::Variant& value, ParamType type) {
  bool found = false;
  for (size_t i = 0; i < positions_.size(); ++i) {
    if (positions_[i] != name) continue;
    slots_[i].value = value;
    slots_[i].type = type;
    found = true;
  }
  if (!found) throw rtl::EInvalidOperation("Parameter '" + name + "' not found");
}

void OdbcStatement::SetTimeout(int seconds) {
  seconds = std::max(0, seconds);
  if (seconds == timeout_) return;
  SQLPOINTER value = reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds));
  Check(SQLSetStmtAttr(stmt_, SQL_ATTR_QUERY_TIMEOUT, value, SQL_IS_UINTEGER));
  timeout_ = seconds;
}

void OdbcStatement::BindNull(SQLUSMALLINT position, Slot& slot) {
  SQLSMALLINT c_type = SQL_C_CHAR, sql_type = SQL_VARCHAR;
  SQLULEN size = 1;
  if (slot.type == ParamType::Integer) {
    c_type = SQL_C_SBIGINT, sql_type = SQL_BIGINT, size = 19;
  } else if (slot.type == ParamType::Float) {
    c_type = SQL_C_DOUBLE, sql_type = SQL_DOUBLE, size = 15;
  } else if (slot.type == ParamType::DateTime && link_->GetDialect() == Dialect::SqlServer) {
    c_type = SQL_C_TYPE_TIMESTAMP, sql_type = SQL_TYPE_TIMESTAMP, size = 23;
  }
  slot.indicator = SQL_NULL_DATA;
  Check(SQLBindParameter(stmt_, position, SQL_PARAM_INPUT, c_type, sql_type, size, 0, nullptr, 0,
                         &slot.indicator));
}

void OdbcStatement::BindSlot(SQLUSMALLINT position, Slot& slot) {
  const rtl::Variant& value = slot.value;
  rtl::VarType type = value.Type();
  if (type == rtl::VarType::Null) return BindNull(position, slot);
  if (type == rtl::VarType::Integer) {
    slot.integer = value.AsInteger();
    slot.indicator = 0;
    return Check(SQLBindParameter(stmt_, position, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 19,
                                  0, &slot.integer, 0, &slot.indicator));
  }
  if (type == rtl::VarType::Float) {
    slot.number = value.AsFloat();
    slot.indicator = 0;
    return Check(SQLBindParameter(stmt_, position, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0,
                                  &slot.number, 0, &slot.indicator));
  }
  if (type == rtl::VarType::DateTime && link_->GetDialect() == Dialect::SqlServer) {
    slot.stamp = ToStamp(value.AsDateTime());
    slot.indicator = 0;
    return Check(SQLBindParameter(stmt_, position, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                                  SQL_TYPE_TIMESTAMP, 23, 3, &slot.stamp, 0, &slot.indicator));
  }
  // SQLite keeps date-times as "YYYY-MM-DD HH:MM:SS" text; its driver would add ".000" to a
  // bound timestamp, which no longer compares equal to the stored text.
  slot.text = type == rtl::VarType::DateTime ? rtl::FormatSqlDateTime(value.AsDateTime())
                                             : value.AsString();
  slot.indicator = static_cast<SQLLEN>(slot.text.size());
  SQLULEN size = std::max<SQLULEN>(1, slot.text.size());
  SQLSMALLINT sql_type = size > kLongTextFrom ? SQL_LONGVARCHAR : SQL_VARCHAR;
  Check(SQLBindParameter(stmt_, position, SQL_PARAM_INPUT, SQL_C_CHAR, sql_type, size, 0,
                         const_cast<char*>(slot.text.data()), slot.indicator, &slot.indicator));
}

void OdbcStatement::Execute(int timeout_seconds) {
  SQLHSTMT stmt = Handle();
  result_.reset();
  SQLFreeStmt(stmt, SQL_CLOSE);
  SetTimeout(timeout_seconds);
  for (size_t i = 0; i < slots_.size(); ++i) BindSlot(static_cast<SQLUSMALLINT>(i + 1), slots_[i]);
  link_->RunInterruptible(stmt, [&] {
    Check(SQLExecute(stmt));
    SQLLEN count = 0;
    rows_affected_ = SQLRowCount(stmt, &count) == SQL_SUCCESS && count > 0 ? count : 0;
    ReadRows();
  });
}

void OdbcStatement::ReadRows() {
  SQLSMALLINT columns = 0;
  Check(SQLNumResultCols(stmt_, &columns));
  // Described after execution: before it the SQLite driver types every expression as text.
  std::vector<ColumnSpec> specs = DescribeColumns(columns);
  std::vector<ColumnKind> kinds;
  for (const ColumnSpec& spec : specs) kinds.push_back(spec.kind);
  result_ = std::make_unique<ResultBuilder>(std::move(specs));
  if (columns == 0) return;
  SQLRETURN rc;
  while ((rc = SQLFetch(stmt_)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
    rtl::Row row;
    row.reserve(columns);
    for (SQLSMALLINT c = 0; c < columns; ++c) row.push_back(ReadCell(c + 1, kinds[c]));
    result_->AddRow(std::move(row));
  }
  Check(rc);
  SQLFreeStmt(stmt_, SQL_CLOSE);
}

std::vector<ColumnSpec> OdbcStatement::DescribeColumns(SQLSMALLINT count) {
  std::vector<ColumnSpec> specs;
  for (SQLSMALLINT c = 1; c <= count; ++c) {
    SQLCHAR name[256] = {0};
    SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    Check(SQLDescribeCol(stmt_, c, name, sizeof name, &name_length, &type, &size, &digits,
                         &nullable));
    ColumnSpec spec;
    spec.name = reinterpret_cast<char*>(name);
    spec.kind = KindOfSqlType(type);
    // varchar(max) and friends report 0 or a huge size: take the longest value then.
    if (spec.kind == ColumnKind::Text && size > 0 && size < 1000000) {
      spec.width = static_cast<int>(size);
    }
    specs.push_back(std::move(spec));
  }
  return specs;
}

rtl::Variant OdbcStatement::ReadCell(SQLUSMALLINT column, ColumnKind kind) {
  SQLLEN indicator = 0;
  if (kind == ColumnKind::Number) {
    double number = 0;
    Check(SQLGetData(stmt_, column, SQL_C_DOUBLE, &number, 0, &indicator));
    return indicator == SQL_NULL_DATA ? rtl::Variant::Null() : rtl::Variant(number);
  }
  if (kind == ColumnKind::DateTime) {
    SQL_TIMESTAMP_STRUCT stamp{};
    Check(SQLGetData(stmt_, column, SQL_C_TYPE_TIMESTAMP, &stamp, sizeof stamp, &indicator));
    if (indicator == SQL_NULL_DATA) return rtl::Variant::Null();
    return rtl::Variant::FromDateTime(FromStamp(stamp));
  }
  return ReadText(column);
}

rtl::Variant OdbcStatement::ReadText(SQLUSMALLINT column) {
  std::string text;
  char buffer[4096];
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(stmt_, column, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
    if (rc == SQL_NO_DATA) break;
    Check(rc);
    if (indicator == SQL_NULL_DATA) return rtl::Variant::Null();
    // A partial read fills the buffer less its terminating zero.
    bool partial = rc == SQL_SUCCESS_WITH_INFO &&
                   (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buffer));
    size_t length = partial          ? sizeof buffer - 1
                    : indicator >= 0 ? static_cast<size_t>(indicator)
                                     : std::char_traits<char>::length(buffer);
    text.append(buffer, length);
    if (!partial) break;
  }
  return rtl::Variant(std::move(text));
}

rtl::DataPacket OdbcStatement::FetchAll() {
  if (!result_) throw EADOError("The statement has not been executed");
  rtl::DataPacket packet = result_->Build();
  result_.reset();
  return packet;
}

}  // namespace ado
