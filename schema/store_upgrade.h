#pragma once
// Bringing an existing store to the current schema. Applying the store script alone creates the
// missing tables and indexes but leaves an existing table without the columns added since the
// store was made, and an index under an older definition; these add and recreate them too. What
// to change is derived from the embedded scripts (store_schema.h), so a column or index added to
// a script needs no code here.

#include <string>
#include <vector>

namespace VyrSchema {

// The unique index that refuses a second sale (not cancelled) for one bill.
extern const char* const kBillSaleIndex;  // "UX_VENDA_COMANDA"

// A bill with more than one sale that is not cancelled: what keeps kBillSaleIndex from being
// created. Support resolves it by cancelling all sales but one.
struct DuplicatedBill {
  std::string cdfilial;
  std::string nrvendarest;
  std::string nrcomandavnd;
  std::vector<std::string> vendas;  // "NRSEQVENDA/CDCAIXA" of each such sale, in that order
};

// How a SQLite store stands against the current schema: what an upgrade would change, or did.
struct StoreSchemaState {
  // Missing, one line each, columns first, then indexes and tables by name: "coluna T.C TYPE",
  // "indice I", "tabela T" (the indexes of a missing table included).
  std::vector<std::string> added;
  // Indexes whose definition (columns, uniqueness, WHERE) differs from the schema's: "indice I".
  // An index holds no data: it is dropped and created again.
  std::vector<std::string> recreated;
  // Columns the store declares NOT NULL that the schema has since relaxed: "coluna T.C". SQLite
  // cannot change them without rebuilding the table, so they are left as they are.
  std::vector<std::string> left_as_is;
  // Non-empty when kBillSaleIndex is missing (or differs) and these bills keep it from being
  // created: it is then left as it is, and named in neither `added` nor `recreated`.
  std::vector<DuplicatedBill> duplicates;

  // Nothing to add or recreate (duplicates and columns left as they are aside).
  bool Current() const { return added.empty() && recreated.empty(); }
};

// Compares the SQLite store `db_path` with the current schema without changing it and without
// waiting for a lock: StoreSchemaState as UpgradeSqliteStore would return it now. Throws
// std::runtime_error naming the file when it cannot be opened or read (a store that does not
// exist, a store locked by a writer, a key column that is missing).
StoreSchemaState CheckSqliteStore(const std::string& db_path);

// Adds to the SQLite store `db_path` every column of the current schema that its existing tables
// lack (ALTER TABLE ... ADD COLUMN, nullable as the script declares them), recreates the indexes
// whose definition differs, then creates the missing tables and indexes, in one transaction:
// rows are kept, and on a failure nothing stays applied. kBillSaleIndex is left out while bills
// hold more than one sale (listed in `duplicates`); the rest is applied. Running it again changes
// nothing (or, once the duplicates are resolved, creates that index). Throws std::runtime_error
// naming the file (and the table and column at fault): a store that does not exist, a missing
// key column (a key cannot be added to a table), or SQLite's refusal.
StoreSchemaState UpgradeSqliteStore(const std::string& db_path);

// The SQL Server equivalent, derived from StoreSchemaSqlServer(): one guarded ALTER TABLE ... ADD
// per non-key column (IF COL_LENGTH(...) IS NULL), one guarded DROP INDEX per index whose key
// columns, uniqueness or filter differ from the script's, then, after a GO, the store script,
// which creates the missing tables and indexes (`hostagent upgrade-store --sqlserver-script`
// prints it).
std::string SqlServerUpgradeScript();

}  // namespace VyrSchema
