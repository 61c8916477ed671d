#include "schema/store_upgrade.h"

#include <sqlite3.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

#include "schema/store_schema.h"

namespace VyrSchema {
namespace {

class Db {
 public:
  Db(const std::string& path, int flags) : path_(path) {
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) Fail(Message());
    sqlite3_busy_timeout(db_, 5000);
  }
  ~Db() { sqlite3_close(db_); }
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;

  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("Cannot upgrade the store database " + path_ + ": " + what);
  }
  std::string Message() const { return db_ ? sqlite3_errmsg(db_) : "out of memory"; }

  void Exec(const std::string& sql) const {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return;
    const std::string text = message ? message : Message();
    sqlite3_free(message);
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    Fail(text);
  }

  // Rows of a query with one text argument; NULL reads as "".
  std::vector<std::vector<std::string>> Rows(const char* sql, const std::string& arg = "") const {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK) Fail(Message());
    if (sqlite3_bind_parameter_count(stmt) > 0) {
      sqlite3_bind_text(stmt, 1, arg.c_str(), -1, SQLITE_TRANSIENT);
    }
    std::vector<std::vector<std::string>> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        const unsigned char* text = sqlite3_column_text(stmt, i);
        row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
      }
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) Fail(Message());
    return rows;
  }

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
};

const char* const kTables =
    "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite%' ORDER BY name";
const char* const kObjects =
    "SELECT type, name FROM sqlite_schema WHERE type IN ('table', 'index') AND name NOT LIKE "
    "'sqlite%'";
const char* const kColumns =
    "SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?) ORDER BY cid";

std::set<std::string> Names(const Db& db, const char* sql, const std::string& arg = "") {
  std::set<std::string> names;
  for (const auto& row : db.Rows(sql, arg))
    names.insert(row.size() > 1 ? row[0] + " " + row[1] : row[0]);
  return names;
}

// The names come from the embedded script, never from data; DDL takes no parameters.
std::string ColumnDefinition(const std::vector<std::string>& column) {
  std::string definition = "\"" + column[0] + "\" " + column[1];
  if (column[2] == "1") definition += " NOT NULL";
  if (!column[3].empty()) definition += " DEFAULT " + column[3];
  return definition;
}

}  // namespace

std::vector<std::string> UpgradeSqliteStore(const std::string& db_path) {
  if (!std::filesystem::is_regular_file(db_path)) {
    throw std::runtime_error("Cannot upgrade the store database " + db_path +
                             ": the file does not exist");
  }
  Db current(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  current.Exec(StoreSchemaSqlite());
  Db store(db_path, SQLITE_OPEN_READWRITE);
  std::vector<std::string> added;
  store.Exec("BEGIN IMMEDIATE");
  const std::set<std::string> before = Names(store, kObjects);
  for (const std::string& table : Names(current, kTables)) {
    if (before.count("table " + table) == 0) continue;  // the script creates it whole
    std::set<std::string> present;
    for (const auto& row : store.Rows(kColumns, table)) present.insert(row[0]);
    for (const auto& column : current.Rows(kColumns, table)) {
      if (present.count(column[0]) != 0) continue;
      if (column[4] != "0") store.Fail("key column " + table + "." + column[0] + " is missing");
      store.Exec("ALTER TABLE \"" + table + "\" ADD COLUMN " + ColumnDefinition(column));
      added.push_back("coluna " + table + "." + column[0] + " " + column[1]);
    }
  }
  store.Exec(StoreSchemaSqlite());
  for (const std::string& object : Names(store, kObjects)) {
    if (before.count(object) != 0) continue;
    added.push_back((object.rfind("table ", 0) == 0 ? "tabela " : "indice ") +
                    object.substr(object.find(' ') + 1));
  }
  store.Exec("COMMIT");
  return added;
}

std::string SqlServerUpgradeScript() {
  std::ostringstream out;
  out << "-- Store database, SQL Server edition: brings an existing store to the current schema.\n"
         "-- Generated from store_sqlserver.sql (hostagent upgrade-store --sqlserver-script).\n"
         "-- First the columns that existing tables lack, then the store script,\n"
         "-- which creates the missing tables and indexes. Running it again changes nothing.\n\n";
  const std::regex create(R"(^CREATE TABLE dbo\.(\w+) \($)");
  const std::regex column(R"(^  ([A-Z0-9_]+) (.+?),?$)");
  const std::regex key(R"(^  PRIMARY KEY \((.*)\)$)");
  std::istringstream lines(StoreSchemaSqlServer());
  std::string line, table;
  std::vector<std::pair<std::string, std::string>> columns;
  std::smatch m;
  while (std::getline(lines, line)) {
    if (std::regex_match(line, m, create)) {
      table = m[1];
      columns.clear();
    } else if (!table.empty() && std::regex_match(line, m, key)) {
      const std::string keys = ", " + std::string(m[1]) + ",";
      for (const auto& [name, type] : columns) {
        if (keys.find(", " + name + ",") != std::string::npos) continue;
        out << "IF OBJECT_ID(N'dbo." << table << "', N'U') IS NOT NULL AND COL_LENGTH(N'dbo."
            << table << "', N'" << name << "') IS NULL\n  ALTER TABLE dbo." << table << " ADD "
            << name << " " << type << ";\n";
      }
      table.clear();
    } else if (!table.empty() && std::regex_match(line, m, column)) {
      columns.emplace_back(m[1], m[2]);
    }
  }
  out << "GO\n\n" << StoreSchemaSqlServer();
  return out.str();
}

}  // namespace VyrSchema
