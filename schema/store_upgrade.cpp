#include "schema/store_upgrade.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

#include "schema/store_schema.h"

namespace VyrSchema {

const char* const kBillSaleIndex = "UX_VENDA_COMANDA";

namespace {

class Db {
 public:
  // `doing`: what the messages say is being done ("upgrade", "check"). `busy_ms`: how long to
  // wait for a lock another connection holds.
  Db(const std::string& path, int flags, const char* doing, int busy_ms)
      : path_(path), doing_(doing) {
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) Fail(Message());
    sqlite3_busy_timeout(db_, busy_ms);
  }
  ~Db() { sqlite3_close(db_); }
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;

  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("Cannot " + doing_ + " the store database " + path_ + ": " + what);
  }
  std::string Message() const { return db_ ? sqlite3_errmsg(db_) : "out of memory"; }

  void Exec(const std::string& sql) const {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return;
    const std::string text = message ? message : Message();
    sqlite3_free(message);
    Abort(text);
  }

  // Runs `script` statement by statement, as sqlite3_exec does, leaving out the statement that
  // creates the index named `skipped` (none when empty).
  void ExecScript(const std::string& script, const std::string& skipped) const {
    const char* next = script.c_str();
    while (*next != '\0') {
      const char* start = next;
      sqlite3_stmt* stmt = nullptr;
      if (sqlite3_prepare_v2(db_, start, -1, &stmt, &next) != SQLITE_OK) Abort(Message());
      if (stmt == nullptr) continue;  // comments and white space only
      int rc = SQLITE_DONE;
      if (skipped.empty() || !CreatesIndex(std::string(start, next), skipped)) {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
      }
      const std::string message = Message();
      sqlite3_finalize(stmt);
      if (rc != SQLITE_DONE) Abort(message);
    }
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
    const std::string message = Message();
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) Fail(message);
    return rows;
  }

 private:
  [[noreturn]] void Abort(const std::string& what) const {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    Fail(what);
  }

  // Whether `statement` of the store script (its comments first) creates index `name`.
  static bool CreatesIndex(const std::string& statement, const std::string& name) {
    size_t at = 0;
    for (;;) {
      at = statement.find_first_not_of(" \t\r\n", at);
      if (at == std::string::npos) return false;
      if (statement.compare(at, 2, "--") != 0) break;
      at = statement.find('\n', at);
    }
    for (const std::string create :
         {"CREATE INDEX IF NOT EXISTS ", "CREATE UNIQUE INDEX IF NOT EXISTS "}) {
      if (statement.compare(at, create.size() + name.size() + 1, create + name + " ") == 0) {
        return true;
      }
    }
    return false;
  }

  std::string path_;
  std::string doing_;
  sqlite3* db_ = nullptr;
};

const char* const kObjects =
    "SELECT name, type, IFNULL(sql, '') FROM sqlite_schema WHERE type IN ('table', 'index') AND "
    "name NOT LIKE 'sqlite%' ORDER BY name";
const char* const kColumns =
    "SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?) ORDER BY cid";
// The active sales of the bills that hold more than one: the rows kBillSaleIndex refuses (its
// WHERE clause, twice).
const char* const kDuplicatedSales =
    "SELECT v.CDFILIAL, v.NRVENDAREST, v.NRCOMANDAVND, v.NRSEQVENDA, v.CDCAIXA FROM VENDA v JOIN "
    "(SELECT CDFILIAL, NRVENDAREST, NRCOMANDAVND FROM VENDA WHERE IDSITUVENDA <> 'C' AND "
    "NRVENDAREST IS NOT NULL AND NRCOMANDAVND IS NOT NULL GROUP BY CDFILIAL, NRVENDAREST, "
    "NRCOMANDAVND HAVING COUNT(*) > 1) d ON d.CDFILIAL = v.CDFILIAL AND d.NRVENDAREST = "
    "v.NRVENDAREST AND d.NRCOMANDAVND = v.NRCOMANDAVND WHERE v.IDSITUVENDA <> 'C' ORDER BY "
    "v.CDFILIAL, v.NRVENDAREST, v.NRCOMANDAVND, v.NRSEQVENDA, v.CDCAIXA";
const std::set<std::string> kDuplicatedSalesColumns = {"CDFILIAL",    "NRVENDAREST", "NRCOMANDAVND",
                                                       "IDSITUVENDA", "NRSEQVENDA",  "CDCAIXA"};

struct SchemaObject {
  std::string type;
  std::string sql;
};

// By name in upper case: SQLite takes "ix_venda" and "IX_VENDA" for one object, and so must the
// comparison, or it would add an index that the script then finds already there.
std::map<std::string, SchemaObject> Objects(const Db& db) {
  std::map<std::string, SchemaObject> objects;
  for (const auto& row : db.Rows(kObjects)) {
    std::string name = row[0];
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    objects[name] = {row[1], row[2]};
  }
  return objects;
}

// An index's CREATE text as SQLite keeps it, in one form whoever wrote it: upper case outside
// quoted literals, no identifier quotes, no white space beside punctuation, single spaces
// elsewhere.
std::string Normalised(const std::string& sql) {
  const char* const punctuation = "(),=<>";
  std::string text;
  bool literal = false;
  bool space = false;
  for (const char c : sql) {
    if (literal) {
      text += c;
      literal = c != '\'';
      continue;
    }
    if (c == '"' || c == '`' || c == '[' || c == ']') continue;
    if (std::isspace(static_cast<unsigned char>(c))) {
      space = true;
      continue;
    }
    if (space && !text.empty() && std::strchr(punctuation, c) == nullptr &&
        std::strchr(punctuation, text.back()) == nullptr) {
      text += ' ';
    }
    space = false;
    literal = c == '\'';
    text += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return text;
}

std::vector<DuplicatedBill> DuplicatedBills(const Db& store) {
  std::vector<DuplicatedBill> bills;
  for (const auto& row : store.Rows(kDuplicatedSales)) {
    if (bills.empty() || bills.back().cdfilial != row[0] || bills.back().nrvendarest != row[1] ||
        bills.back().nrcomandavnd != row[2]) {
      bills.push_back({row[0], row[1], row[2], {}});
    }
    bills.back().vendas.push_back(row[3] + "/" + row[4]);
  }
  return bills;
}

// What an upgrade changes, and how.
struct Plan {
  StoreSchemaState state;
  std::vector<std::pair<std::string, std::vector<std::string>>> columns;  // table, kColumns row
  std::vector<std::string> dropped;                                       // indexes recreated
};

void Remove(std::vector<std::string>& lines, const std::string& line) {
  lines.erase(std::remove(lines.begin(), lines.end(), line), lines.end());
}

Plan Compare(const Db& store, const Db& current) {
  Plan plan;
  const std::map<std::string, SchemaObject> have = Objects(store);
  std::vector<std::string> indexes, tables;
  bool sales_readable = have.count("VENDA") != 0;
  for (const auto& [name, wanted] : Objects(current)) {
    const auto found = have.find(name);
    if (wanted.type == "index" && found == have.end()) {
      indexes.push_back("indice " + name);
    } else if (wanted.type == "index" && Normalised(found->second.sql) != Normalised(wanted.sql)) {
      plan.state.recreated.push_back("indice " + name);
      plan.dropped.push_back(name);
    } else if (wanted.type == "table" && found == have.end()) {
      tables.push_back("tabela " + name);
    } else if (wanted.type == "table") {
      std::map<std::string, std::string> present;  // column, NOT NULL
      for (const auto& row : store.Rows(kColumns, name)) present[row[0]] = row[2];
      for (const auto& column : current.Rows(kColumns, name)) {
        const auto has = present.find(column[0]);
        if (has == present.end()) {
          if (column[4] != "0") store.Fail("key column " + name + "." + column[0] + " is missing");
          plan.columns.emplace_back(name, column);
          plan.state.added.push_back("coluna " + name + "." + column[0] + " " + column[1]);
          if (name == "VENDA" && kDuplicatedSalesColumns.count(column[0]) != 0) {
            sales_readable = false;  // added empty: no duplicates in it
          }
        } else if (has->second == "1" && column[2] == "0" && column[4] == "0") {
          plan.state.left_as_is.push_back("coluna " + name + "." + column[0]);
        }
      }
    }
  }
  const std::string bill_index = std::string("indice ") + kBillSaleIndex;
  const bool bill_index_pending =
      std::count(indexes.begin(), indexes.end(), bill_index) != 0 ||
      std::count(plan.dropped.begin(), plan.dropped.end(), kBillSaleIndex) != 0;
  if (bill_index_pending && sales_readable) plan.state.duplicates = DuplicatedBills(store);
  if (!plan.state.duplicates.empty()) {
    // Left as it is: an older definition still guards more than none would.
    Remove(indexes, bill_index);
    Remove(plan.state.recreated, bill_index);
    Remove(plan.dropped, kBillSaleIndex);
  }
  plan.state.added.insert(plan.state.added.end(), indexes.begin(), indexes.end());
  plan.state.added.insert(plan.state.added.end(), tables.begin(), tables.end());
  return plan;
}

// The names come from the embedded script, never from data; DDL takes no parameters.
std::string ColumnDefinition(const std::vector<std::string>& column) {
  std::string definition = "\"" + column[0] + "\" " + column[1];
  if (column[2] == "1") definition += " NOT NULL";
  if (!column[3].empty()) definition += " DEFAULT " + column[3];
  return definition;
}

void RequireFile(const std::string& db_path, const char* doing) {
  if (!std::filesystem::is_regular_file(db_path)) {
    throw std::runtime_error(std::string("Cannot ") + doing + " the store database " + db_path +
                             ": the file does not exist");
  }
}

}  // namespace

StoreSchemaState CheckSqliteStore(const std::string& db_path) {
  RequireFile(db_path, "check");
  Db current(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, "check", 0);
  current.Exec(StoreSchemaSqlite());
  Db store(db_path, SQLITE_OPEN_READONLY, "check", 0);
  store.Exec("BEGIN");  // one snapshot of the schema and the sales
  Plan plan = Compare(store, current);
  store.Exec("COMMIT");
  return std::move(plan.state);
}

StoreSchemaState UpgradeSqliteStore(const std::string& db_path) {
  RequireFile(db_path, "upgrade");
  Db current(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, "upgrade", 0);
  current.Exec(StoreSchemaSqlite());
  Db store(db_path, SQLITE_OPEN_READWRITE, "upgrade", 5000);
  store.Exec("BEGIN IMMEDIATE");
  Plan plan = Compare(store, current);
  for (const auto& [table, column] : plan.columns) {
    store.Exec("ALTER TABLE \"" + table + "\" ADD COLUMN " + ColumnDefinition(column));
  }
  for (const std::string& index : plan.dropped) store.Exec("DROP INDEX \"" + index + "\"");
  store.ExecScript(StoreSchemaSqlite(), plan.state.duplicates.empty() ? "" : kBillSaleIndex);
  store.Exec("COMMIT");
  return std::move(plan.state);
}

namespace {

// A guarded DROP INDEX for index `name` of table `table` whose key columns (`keys`, "A, B"),
// uniqueness or filter differ from the store script's; the script then creates it again.
std::string SqlServerDropIfDifferent(const std::string& name, const std::string& table,
                                     const std::string& keys, bool unique, bool filtered) {
  std::string cases;
  int count = 0;
  std::istringstream list(keys);
  for (std::string key; std::getline(list >> std::ws, key, ',');) {
    cases += " WHEN " + std::to_string(++count) + " THEN N'" + key + "'";
  }
  const std::string columns =
      "FROM sys.index_columns c WHERE c.object_id = i.object_id AND c.index_id = i.index_id AND "
      "c.key_ordinal > 0";
  return "IF EXISTS (SELECT 1 FROM sys.indexes i WHERE i.name = N'" + name +
         "' AND i.object_id = OBJECT_ID(N'dbo." + table + "')\n    AND (i.is_unique <> " +
         (unique ? "1" : "0") + " OR i.has_filter <> " + (filtered ? "1" : "0") +
         "\n      OR (SELECT COUNT(*) " + columns + ") <> " + std::to_string(count) +
         "\n      OR EXISTS (SELECT 1 " + columns +
         "\n        AND COL_NAME(c.object_id, c.column_id) <> CASE c.key_ordinal" + cases +
         " ELSE N'' END)))\n  DROP INDEX " + name + " ON dbo." + table + ";\n";
}

}  // namespace

std::string SqlServerUpgradeScript() {
  std::ostringstream out;
  out << "-- Store database, SQL Server edition: brings an existing store to the current schema.\n"
         "-- Generated from store_sqlserver.sql (hostagent upgrade-store --sqlserver-script).\n"
         "-- First the columns that existing tables lack, then the indexes whose definition\n"
         "-- differs are dropped, then the store script creates the missing tables and indexes.\n"
         "-- Running it again changes nothing.\n\n";
  const std::regex create(R"(^CREATE TABLE dbo\.(\w+) \($)");
  const std::regex column(R"(^  ([A-Z0-9_]+) (.+?),?$)");
  const std::regex key(R"(^  PRIMARY KEY \((.*)\)$)");
  const std::regex index(
      R"(^ +CREATE (UNIQUE )?INDEX (\w+) ON dbo\.(\w+) \(([^)]*)\)( WHERE .*)?;$)");
  std::istringstream lines(StoreSchemaSqlServer());
  std::string line, table, drops;
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
    } else if (std::regex_match(line, m, index)) {
      drops += SqlServerDropIfDifferent(m[2], m[3], m[4], m[1].matched, m[5].matched);
    }
  }
  out << "GO\n\n" << drops << "GO\n\n" << StoreSchemaSqlServer();
  return out.str();
}

}  // namespace VyrSchema
