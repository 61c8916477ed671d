#pragma once
// Bringing an existing store to the current schema. Applying the store script alone creates the
// missing tables and indexes but leaves an existing table without the columns added since the
// store was made; these add them too. What to add is derived from the embedded scripts
// (store_schema.h), so a column added to a script needs no code here.

#include <string>
#include <vector>

namespace VyrSchema {

// Adds to the SQLite store `db_path` every column of the current schema that its existing tables
// lack (ALTER TABLE ... ADD COLUMN, nullable as the script declares them), then the missing
// tables and indexes, in one transaction: rows are kept, and on a failure nothing stays applied.
// Running it again changes nothing. Returns what was added, one line each ("coluna T.C TYPE",
// "tabela T", "indice I"), empty when the store was current. Throws std::runtime_error naming the
// file (and the table and column at fault): a store that does not exist, a missing key column
// (a key cannot be added to a table), or SQLite's refusal.
std::vector<std::string> UpgradeSqliteStore(const std::string& db_path);

// The SQL Server equivalent, derived from StoreSchemaSqlServer(): one guarded ALTER TABLE ... ADD
// per non-key column (IF COL_LENGTH(...) IS NULL), then, after a GO, the store script, which
// creates the missing tables and indexes (`hostagent upgrade-store --sqlserver-script` prints it).
std::string SqlServerUpgradeScript();

}  // namespace VyrSchema
