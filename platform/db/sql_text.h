#pragma once
// A statement's texts per dialect. The SQL Server text is the statement as the system
// specifies it; an SQLite text stands beside it only where SQLite cannot run that text.

#include <string>

namespace ado {

enum class Dialect { SqlServer, SQLite };

struct SqlText {
  std::string mssql;
  std::string sqlite;  // empty: SQLite runs the SQL Server text

  SqlText() = default;
  SqlText(const char* both) : mssql(both) {}
  SqlText(std::string both) : mssql(std::move(both)) {}
  SqlText(std::string server, std::string lite)
      : mssql(std::move(server)), sqlite(std::move(lite)) {}

  const std::string& For(Dialect dialect) const {
    return dialect == Dialect::SQLite && !sqlite.empty() ? sqlite : mssql;
  }
};

}  // namespace ado
