// The store schema: it applies to a fresh file and to an existing store, every column outside the
// keys accepts NULL, a column name means the same type everywhere, and the SQL Server script
// declares the same tables, columns and indexes as the SQLite one.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "schema/store_schema.h"
#include "schema/store_upgrade.h"
#include "support/temp_dir.h"
#include "support/temp_store.h"

namespace {

using vyrtest::TempStore;

const std::vector<std::string> kStoreTables = {
    "CAIXA",      "FILIAL",      "LOJA",         "PARAVEND",        "IMPRLOJA",
    "IMPRESSORA", "COMANDAVEN",  "ITCOMANDAVEN", "VENDAREST",       "CONSUMIDOR",
    "CLIENTE",    "MOVCAIXADLV", "ITCOMANDAEST", "OBSITCOMANDAEST", "OBSITCOMANDAVEN",
    "VENDA",      "TURCAIXA",    "PRSUBGRPROD",  "ALIQIMPFIS",      "IMPOSTO",
    "PRODUTO",    "ITEMVENDA",   "ITVENDAIMPOS", "ITVENDACAN",      "PROXCODIGO"};

// Every table the scripts create, the module's and its packages'.
std::vector<std::string> AllTables(const TempStore& store) {
  std::vector<std::string> tables;
  for (const auto& row : store.Query(
           "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite%' "
           "ORDER BY name",
           {})) {
    tables.push_back(row[0]);
  }
  return tables;
}

struct Column {
  std::string name;
  std::string type;
  bool not_null;
  bool key;
};

std::vector<Column> ColumnsOf(const TempStore& store, const std::string& table) {
  std::vector<Column> columns;
  for (const auto& row :
       store.Query("SELECT name, type, \"notnull\", pk FROM pragma_table_info(?)", {table})) {
    columns.push_back({row[0], row[1], row[2] == "1", row[3] != "0"});
  }
  return columns;
}

// table -> "COLUMN TYPE" lines of a DDL script, plus "INDEX name (columns)" entries under "".
std::map<std::string, std::vector<std::string>> Declarations(const std::string& script) {
  std::map<std::string, std::vector<std::string>> result;
  const std::regex create(R"(CREATE TABLE (?:IF NOT EXISTS )?(?:dbo\.)?(\w+) \()");
  const std::regex column(R"(^  ([A-Z0-9_]+) (.+?),?$)");
  // Unique and filtered indexes keep their kind and their filter, so both scripts must agree.
  const std::regex index(
      R"(CREATE (UNIQUE )?INDEX (?:IF NOT EXISTS )?(\w+) ON (?:dbo\.)?(\w+ \(.*?\)(?: WHERE .*)?);)");
  std::istringstream lines(script);
  std::string line, table;
  std::smatch m;
  while (std::getline(lines, line)) {
    if (std::regex_search(line, m, create)) {
      table = m[1];
    } else if (std::regex_search(line, m, index)) {
      result[""].push_back(std::string(m[1]) + std::string(m[2]) + " " + std::string(m[3]));
    } else if (!table.empty() && std::regex_match(line, m, column)) {
      std::string type = m[2];
      if (type.rfind("TEXT", 0) == 0) type = "VARCHAR(MAX)" + type.substr(4);
      result[table].push_back(std::string(m[1]) + " " + type);
    } else if (line == ");") {
      table.clear();
    }
  }
  return result;
}

TEST(StoreSchema, FreshStoreHasEveryTable) {
  TempStore store;
  for (const std::string& table : kStoreTables) {
    EXPECT_EQ(1, store.Count("sqlite_schema", "type = 'table' AND name = ?", {table})) << table;
  }
}

TEST(StoreSchema, ApplyingAgainKeepsRowsAndChangesNothing) {
  TempStore store;
  store.Exec("INSERT INTO FILIAL (CDFILIAL, CDEMPRESA) VALUES ('0001', '01')");
  const std::string before = store.Scalar("SELECT group_concat(sql, ';') FROM sqlite_schema");

  VyrSchema::CreateSqliteStore(store.DbPath());
  store.Exec(VyrSchema::StoreSchemaSqlite());

  EXPECT_EQ(before, store.Scalar("SELECT group_concat(sql, ';') FROM sqlite_schema"));
  EXPECT_EQ("01", store.Scalar("SELECT CDEMPRESA FROM FILIAL WHERE CDFILIAL = '0001'"));
}

TEST(StoreSchema, CreateMakesMissingFoldersAndRefusesAnUnwritablePlace) {
  TempStore scratch;
  const std::string path = scratch.Dir() + "/other/Dados/Loja.db";
  VyrSchema::CreateSqliteStore(path);
  EXPECT_TRUE(std::filesystem::exists(path));

  // A folder where the database file should be: SQLite cannot open it.
  const std::string blocked = scratch.Dir() + "/blocked.db";
  std::filesystem::create_directories(blocked);
  EXPECT_THROW(VyrSchema::CreateSqliteStore(blocked), std::runtime_error);
}

TEST(StoreSchema, OnlyKeyColumnsAreRequired) {
  TempStore store;
  for (const std::string& table : AllTables(store)) {
    std::string names, marks;
    vyrtest::SqlArgs values;
    for (const Column& column : ColumnsOf(store, table)) {
      if (column.not_null && !column.key && column.name != "NRULTSEQVENDA") {
        ADD_FAILURE() << table << "." << column.name << " is NOT NULL outside the key";
      }
      if (!column.key) continue;
      names += (names.empty() ? "" : ", ") + column.name;
      marks += marks.empty() ? "?" : ", ?";
      values.push_back(column.type == "DATETIME" ? "2024-01-31 10:00:00" : "1");
    }
    ASSERT_FALSE(names.empty()) << table << " has no primary key";
    EXPECT_NO_THROW(
        store.Exec("INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")", values))
        << table;
  }
}

TEST(StoreSchema, SameColumnNameHasSameTypeEverywhere) {
  // The bill items of the kitchen table carry the shorter product code of their source.
  const std::set<std::string> exceptions = {"ITCOMANDAEST.CDPRODUTO", "OBSITCOMANDAEST.CDPRODUTO"};
  TempStore store;
  std::map<std::string, std::string> first_type;
  for (const std::string& table : AllTables(store)) {
    for (const Column& column : ColumnsOf(store, table)) {
      if (exceptions.count(table + "." + column.name)) continue;
      auto [it, inserted] = first_type.emplace(column.name, column.type);
      EXPECT_EQ(it->second, column.type) << table << "." << column.name;
    }
  }
}

TEST(StoreSchema, SqlServerScriptDeclaresTheSameTablesColumnsAndIndexes) {
  const auto sqlite = Declarations(VyrSchema::StoreSchemaSqlite());
  const auto sqlserver = Declarations(VyrSchema::StoreSchemaSqlServer());
  TempStore store;
  EXPECT_EQ(AllTables(store).size() + 1, sqlite.size());  // the tables and the index list
  EXPECT_EQ(sqlite, sqlserver);
}

TEST(StoreSchema, DatesKeepTheirTextFormAndCompareAsText) {
  TempStore store;
  store.Exec("INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, DTENTRVENDA) VALUES (?, ?, ?, ?)",
             {"0001", "001", "0000000001", "2024-01-31 00:00:00"});
  EXPECT_EQ("text", store.Scalar("SELECT typeof(DTENTRVENDA) FROM VENDA"));
  EXPECT_EQ(1, store.Count("VENDA", "DTENTRVENDA = ?", {"2024-01-31 00:00:00"}));
}

// Every table's columns (in name order, with type, NOT NULL, default and key) and every index.
std::string SchemaText(const TempStore& store) {
  std::string text;
  for (const auto& row : store.Query(
           "SELECT m.name, c.name, c.type, c.\"notnull\", c.dflt_value, c.pk FROM sqlite_schema m, "
           "pragma_table_info(m.name) c WHERE m.type = 'table' ORDER BY m.name, c.name")) {
    text +=
        row[0] + "." + row[1] + " " + row[2] + " " + row[3] + " " + row[4] + " " + row[5] + "\n";
  }
  for (const auto& row :
       store.Query("SELECT sql FROM sqlite_schema WHERE type = 'index' AND sql IS NOT NULL ORDER "
                   "BY name")) {
    text += row[0] + "\n";
  }
  return text;
}

TEST(StoreSchema, UpgradeBringsAnOlderStoreToTheCurrentSchemaKeepingItsRows) {
  TempStore fresh, old;
  // An older store: VENDA without its document state, one index and one table missing.
  old.Exec(
      "DROP INDEX IX_VENDA_VENDAREST; DROP TABLE NFCEVENDA; ALTER TABLE VENDA DROP COLUMN "
      "DTDOCPENDVENDA; ALTER TABLE PROXCODIGO RENAME TO PROXOLD; CREATE TABLE PROXCODIGO "
      "(CDFILIAL VARCHAR(4) NOT NULL, CDCAIXA VARCHAR(3) NOT NULL, PRIMARY KEY (CDFILIAL, "
      "CDCAIXA)); DROP TABLE PROXOLD");
  old.Exec("INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, IDSITUVENDA) VALUES (?, ?, ?, ?)",
           {"0001", "001", "0000000001", "A"});
  old.Exec("INSERT INTO PROXCODIGO (CDFILIAL, CDCAIXA) VALUES ('0001', '001')");

  const auto first = VyrSchema::UpgradeSqliteStore(old.DbPath());
  const auto second = VyrSchema::UpgradeSqliteStore(old.DbPath());

  std::string added;
  for (const std::string& line : first) added += line + "; ";
  EXPECT_EQ(
      "coluna PROXCODIGO.NRULTSEQVENDA INTEGER; coluna VENDA.DTDOCPENDVENDA DATETIME; indice "
      "IX_NFCEVENDA_CHAVE; indice IX_NFCEVENDA_NUMERO; indice IX_NFCEVENDA_SITUACAO; indice "
      "IX_VENDA_VENDAREST; tabela "
      "NFCEVENDA; ",
      added);
  EXPECT_TRUE(second.empty());
  EXPECT_EQ(SchemaText(fresh), SchemaText(old));
  EXPECT_EQ("0000000001 A \\N | 0",
            old.Scalar("SELECT (SELECT NRSEQVENDA || ' ' || IDSITUVENDA || ' ' || "
                       "IFNULL(DTDOCPENDVENDA, '\\N') FROM VENDA) || ' | ' || (SELECT "
                       "NRULTSEQVENDA FROM PROXCODIGO)"));
}

TEST(StoreSchema, UpgradeRefusesAStoreThatDoesNotExist) {
  vyrtest::TempDir dir;
  EXPECT_THROW(VyrSchema::UpgradeSqliteStore(dir.Path() + "/Loja.db"), std::runtime_error);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/Loja.db"));
}

// The SQL Server upgrade adds each column of the store script that an existing table lacks.
TEST(StoreSchema, SqlServerUpgradeScriptAddsTheColumnsAnExistingTableLacks) {
  EXPECT_NE(std::string::npos,
            VyrSchema::SqlServerUpgradeScript().find(
                "IF OBJECT_ID(N'dbo.VENDA', N'U') IS NOT NULL AND COL_LENGTH(N'dbo.VENDA', "
                "N'IDDOCPENDVENDA') IS NULL\n  ALTER TABLE dbo.VENDA ADD IDDOCPENDVENDA "
                "VARCHAR(10);\n"));
}

}  // namespace
