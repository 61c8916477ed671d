#pragma once
// The store database schema: every table, key and index that the module and its sibling packages
// read or write, for SQLite (the embedded default store) and for SQL Server.

#include <string>

namespace VyrSchema {

// The DDL script for SQLite. Every statement is idempotent (IF NOT EXISTS): applying it to an
// existing store adds missing tables and indexes and leaves existing tables as they are.
// Thread-safe; the text lives for the whole process.
const std::string& StoreSchemaSqlite();

// The DDL script for SQL Server: one batch, each CREATE guarded so that it runs only when the
// object is missing. Thread-safe; the text lives for the whole process.
const std::string& StoreSchemaSqlServer();

// Opens (creating if needed) the SQLite database file `db_path`, creating its missing parent
// folders, and applies StoreSchemaSqlite() in one transaction. An existing store keeps its rows.
// Throws std::runtime_error with the path and SQLite's message when the folder or database cannot
// be created or the script fails; nothing of the script stays applied then.
void CreateSqliteStore(const std::string& db_path);

}  // namespace VyrSchema
