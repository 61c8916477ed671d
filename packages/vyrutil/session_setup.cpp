#include "vyrutil/connection_setup.h"

namespace VyrUtil {

namespace {

// SQLite: enforce the store's foreign keys and let the worker read while another program of the
// installation writes. How long a statement waits for a busy store is its own time limit.
const char* const kSqliteSession[] = {
    R"sqlite(PRAGMA foreign_keys = ON)sqlite",
    R"sqlite(PRAGMA journal_mode = WAL)sqlite",
};

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
    for (const char* sql : kSqliteSession) connection.ExecuteDirect(sql);
  } else {
    for (const char* sql : kSqlServerSession) connection.ExecuteDirect(sql);
  }
}

}  // namespace VyrUtil
