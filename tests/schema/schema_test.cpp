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

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "; ";
  return text;
}

// What a check or an upgrade reports, on one line.
std::string StateText(const VyrSchema::StoreSchemaState& state) {
  std::string duplicates;
  for (const auto& bill : state.duplicates) {
    duplicates += bill.cdfilial + " " + bill.nrvendarest + " " + bill.nrcomandavnd + ": " +
                  Joined(bill.vendas);
  }
  return "added: " + Joined(state.added) + "recreated: " + Joined(state.recreated) +
         "left: " + Joined(state.left_as_is) + "duplicates: " + duplicates;
}

TEST(StoreSchema, UpgradeBringsAnOlderStoreToTheCurrentSchemaKeepingItsRows) {
  TempStore fresh, old;
  // An older store: VENDA without its document state, one index and one table missing, one
  // index with fewer columns, and NUMDOCRESERV.CDCAIXA still NOT NULL.
  old.Exec(
      "DROP INDEX IX_VENDA_VENDAREST; DROP TABLE NFCEVENDA; ALTER TABLE VENDA DROP COLUMN "
      "DTDOCPENDVENDA; ALTER TABLE PROXCODIGO RENAME TO PROXOLD; CREATE TABLE PROXCODIGO "
      "(CDFILIAL VARCHAR(4) NOT NULL, CDCAIXA VARCHAR(3) NOT NULL, PRIMARY KEY (CDFILIAL, "
      "CDCAIXA)); DROP TABLE PROXOLD; DROP INDEX IX_COMANDAVEN_PENDENTE; CREATE INDEX "
      "IX_COMANDAVEN_PENDENTE ON COMANDAVEN (CDFILIAL, CDLOJA); DROP TABLE NUMDOCRESERV; CREATE "
      "TABLE NUMDOCRESERV (CDFILIAL VARCHAR(4) NOT NULL, CDMODDOCFIS VARCHAR(2) NOT NULL, "
      "NRSERIEDOCFIS VARCHAR(3) NOT NULL, IDAMBDOCFIS VARCHAR(1) NOT NULL, NRDOCFIS VARCHAR(9) "
      "NOT NULL, CDCAIXA VARCHAR(3) NOT NULL, NRVENDAREST VARCHAR(10), NRCOMANDA VARCHAR(10), "
      "IDSITRESERVA VARCHAR(10), DTHRRESERVA DATETIME, DTHRTENTINUT DATETIME, DSMOTIVORESERVA "
      "VARCHAR(255), PRIMARY KEY (CDFILIAL, CDMODDOCFIS, NRSERIEDOCFIS, IDAMBDOCFIS, NRDOCFIS))");
  old.Exec("INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, IDSITUVENDA) VALUES (?, ?, ?, ?)",
           {"0001", "001", "0000000001", "A"});
  old.Exec("INSERT INTO PROXCODIGO (CDFILIAL, CDCAIXA) VALUES ('0001', '001')");

  const auto checked = VyrSchema::CheckSqliteStore(old.DbPath());
  const auto first = VyrSchema::UpgradeSqliteStore(old.DbPath());
  const auto second = VyrSchema::UpgradeSqliteStore(old.DbPath());

  const std::string plan =
      "added: coluna PROXCODIGO.NRULTSEQVENDA INTEGER; coluna VENDA.DTDOCPENDVENDA DATETIME; "
      "indice IX_NFCEVENDA_CHAVE; indice IX_NFCEVENDA_NUMERO; indice IX_NFCEVENDA_PENDENTE; indice "
      "IX_NFCEVENDA_RECUSADA; "
      "indice IX_NFCEVENDA_SITUACAO; indice IX_NUMDOCRESERV_CAIXA; indice IX_NUMDOCRESERV_COMANDA; "
      "indice IX_VENDA_VENDAREST; tabela NFCEVENDA; recreated: indice IX_COMANDAVEN_PENDENTE; ";
  const std::string left = "left: coluna NUMDOCRESERV.CDCAIXA; duplicates: ";
  EXPECT_EQ(plan + left + "\n" + plan + left + "\nadded: recreated: " + left,
            StateText(checked) + "\n" + StateText(first) + "\n" + StateText(second));
  EXPECT_EQ(
      SchemaText(fresh),
      std::regex_replace(SchemaText(old), std::regex("(NUMDOCRESERV.CDCAIXA \\S+) 1"), "$1 0"));
  EXPECT_EQ("0000000001 A \\N | 0",
            old.Scalar("SELECT (SELECT NRSEQVENDA || ' ' || IDSITUVENDA || ' ' || "
                       "IFNULL(DTDOCPENDVENDA, '\\N') FROM VENDA) || ' | ' || (SELECT "
                       "NRULTSEQVENDA FROM PROXCODIGO)"));
}

// Two active sales of one bill keep the bill index from being created: the rest is applied, the
// sales are named, and once one is cancelled the next upgrade creates the index.
TEST(StoreSchema, UpgradeLeavesTheBillIndexOutWhileABillHasTwoActiveSales) {
  TempStore old;
  old.Exec("DROP INDEX UX_VENDA_COMANDA; DROP INDEX IX_VENDA_VENDAREST");
  for (const vyrtest::SqlArgs& sale : {vyrtest::SqlArgs{"002", "0000000008", "0002", "A"},
                                       {"001", "0000000007", "0002", "A"},
                                       {"001", "0000000009", "0002", "C"},
                                       {"001", "0000000010", "0003", "A"}}) {
    old.Exec(
        "INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, NRVENDAREST, NRCOMANDAVND, "
        "IDSITUVENDA) VALUES ('0001', ?, ?, '0000000002', ?, ?)",
        sale);
  }

  const auto checked = VyrSchema::CheckSqliteStore(old.DbPath());
  const auto first = VyrSchema::UpgradeSqliteStore(old.DbPath());
  const std::string indexes = old.Scalar(
      "SELECT group_concat(name, ' ') FROM sqlite_schema WHERE tbl_name = 'VENDA' AND "
      "name LIKE 'I%' OR name = 'UX_VENDA_COMANDA'");
  old.Exec("UPDATE VENDA SET IDSITUVENDA = 'C' WHERE NRSEQVENDA = '0000000008'");
  const auto second = VyrSchema::UpgradeSqliteStore(old.DbPath());

  const std::string refused =
      "left: duplicates: 0001 0000000002 0002: 0000000007/001; 0000000008/002; ";
  EXPECT_EQ("added: indice IX_VENDA_VENDAREST; recreated: " + refused + "\n" +
                "added: indice IX_VENDA_VENDAREST; recreated: " + refused + "\n" +
                "IX_VENDA_DOCPENDENTE IX_VENDA_VENDAREST\n" +
                "added: indice UX_VENDA_COMANDA; recreated: left: duplicates: \n" +
                "added: recreated: left: duplicates: ",
            StateText(checked) + "\n" + StateText(first) + "\n" + indexes + "\n" +
                StateText(second) + "\n" + StateText(VyrSchema::CheckSqliteStore(old.DbPath())));
}

// Two stores the comparison must read as they are: one whose VENDA lacks a column the bill
// index's check reads (the check cannot run there, and has nothing to find: the column comes
// empty), and one whose indexes were written in another case and with quotes (the same index).
TEST(StoreSchema, UpgradeSkipsTheBillCheckOnAnOlderVendaAndTakesIndexesAsSqliteReadsThem) {
  TempStore old, quoted;
  old.Exec("DROP INDEX UX_VENDA_COMANDA; ALTER TABLE VENDA DROP COLUMN NRCOMANDAVND");
  quoted.Exec(
      "DROP INDEX IX_COMANDAVEN_COMANDA; CREATE INDEX \"ix_comandaven_comanda\" ON "
      "comandaven (\"CDFILIAL\", [nrcomanda]); DROP INDEX UX_VENDA_COMANDA; CREATE UNIQUE INDEX "
      "UX_VENDA_COMANDA ON VENDA (CDFILIAL,NRVENDAREST , `NRCOMANDAVND`)  where IDSITUVENDA <> "
      "'C' and NRVENDAREST is not null and NRCOMANDAVND is not null");
  std::string upgraded;
  try {
    upgraded = StateText(VyrSchema::UpgradeSqliteStore(old.DbPath()));
  } catch (const std::exception& e) {
    upgraded = e.what();
  }
  EXPECT_EQ(
      "added: coluna VENDA.NRCOMANDAVND VARCHAR(10); indice UX_VENDA_COMANDA; recreated: left: "
      "duplicates: \nadded: recreated: left: duplicates: ",
      upgraded + "\n" + StateText(VyrSchema::CheckSqliteStore(quoted.DbPath())));
}

TEST(StoreSchema, UpgradeRefusesAStoreThatDoesNotExist) {
  vyrtest::TempDir dir;
  EXPECT_THROW(VyrSchema::UpgradeSqliteStore(dir.Path() + "/Loja.db"), std::runtime_error);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/Loja.db"));
}

// The SQL Server upgrade adds each column of the store script that an existing table lacks, and
// drops an index whose key columns, uniqueness or filter differ, for the store script to create.
TEST(StoreSchema, SqlServerUpgradeScriptAddsColumnsAndRecreatesIndexesThatDiffer) {
  const std::string script = VyrSchema::SqlServerUpgradeScript();
  const auto block = [&script](const std::string& start) {
    const size_t at = script.find(start);
    return at == std::string::npos ? "(no " + start + ")\n"
                                   : script.substr(at, script.find(";\n", at) + 2 - at);
  };
  EXPECT_EQ(
      "IF OBJECT_ID(N'dbo.VENDA', N'U') IS NOT NULL AND COL_LENGTH(N'dbo.VENDA', "
      "N'IDDOCPENDVENDA') IS NULL\n  ALTER TABLE dbo.VENDA ADD IDDOCPENDVENDA VARCHAR(10);\n"
      "IF EXISTS (SELECT 1 FROM sys.indexes i WHERE i.name = N'UX_VENDA_COMANDA' AND i.object_id "
      "= OBJECT_ID(N'dbo.VENDA')\n"
      "    AND (i.is_unique <> 1 OR i.has_filter <> 1\n"
      "      OR (SELECT COUNT(*) FROM sys.index_columns c WHERE c.object_id = i.object_id AND "
      "c.index_id = i.index_id AND c.key_ordinal > 0) <> 3\n"
      "      OR EXISTS (SELECT 1 FROM sys.index_columns c WHERE c.object_id = i.object_id AND "
      "c.index_id = i.index_id AND c.key_ordinal > 0\n"
      "        AND COL_NAME(c.object_id, c.column_id) <> CASE c.key_ordinal WHEN 1 THEN "
      "N'CDFILIAL' WHEN 2 THEN N'NRVENDAREST' WHEN 3 THEN N'NRCOMANDAVND' ELSE N'' END)))\n"
      "  DROP INDEX UX_VENDA_COMANDA ON dbo.VENDA;\n",
      block("IF OBJECT_ID(N'dbo.VENDA', N'U') IS NOT NULL AND COL_LENGTH(N'dbo.VENDA', "
            "N'IDDOCPENDVENDA')") +
          block("IF EXISTS (SELECT 1 FROM sys.indexes i WHERE i.name = N'UX_VENDA_COMANDA'"));
}

}  // namespace
