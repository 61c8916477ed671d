#include "vyrutil/connection_setup.h"

#include <chrono>
#include <thread>

#include "db/db_error.h"

namespace VyrUtil {

namespace {

// SQLite: enforce the store's foreign keys and let the worker read while another program of the
// installation writes. How long a statement waits for a busy store is its own time limit.
const char* const kSqliteForeignKeys = R"sqlite(PRAGMA foreign_keys = ON)sqlite";
const char* const kSqliteWal = R"sqlite(PRAGMA journal_mode = WAL)sqlite";

// Switching a store to WAL needs it to itself for a moment, and SQLite answers "database is
// locked" at once, without waiting, while another program connects or writes. The switch is
// kept in the file, so it is needed once per store; try again for a few seconds before giving up.
void SwitchToWal(ado::TADOConnection& connection) {
  constexpr int kAttempts = 50;
  for (int attempt = 1;; ++attempt) {
    try {
      connection.ExecuteDirect(kSqliteWal);
      return;
    } catch (const ado::EADOError& e) {
      if (e.Interrupted() || e.ConnectionLost() || attempt == kAttempts) throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

// SQL Server: the statements bind date-times as 'YYYY-MM-DD HH:MM:SS' texts, compare with
// NULL the ANSI way and quote nothing with double quotes. NOCOUNT stays OFF: the commands
// report the rows they changed.
const char* const kSqlServerSession[] = {
    R"mssql(SET DATEFORMAT ymd)mssql",
    R"mssql(SET ANSI_NULLS ON)mssql",
    R"mssql(SET ANSI_PADDING ON)mssql",
    R"mssql(SET ANSI_WARNINGS ON)mssql",
    R"mssql(SET CONCAT_NULL_YIELDS_NULL ON)mssql",
    R"mssql(SET QUOTED_IDENTIFIER ON)mssql",
    R"mssql(SET ARITHABORT ON)mssql",
};

}  // namespace

void SetADODBSession(ado::TADOConnection& connection) {
  if (connection.GetDialect() == ado::Dialect::SQLite) {
    connection.ExecuteDirect(kSqliteForeignKeys);
    SwitchToWal(connection);
  } else {
    for (const char* sql : kSqlServerSession) connection.ExecuteDirect(sql);
  }
}

}  // namespace VyrUtil
