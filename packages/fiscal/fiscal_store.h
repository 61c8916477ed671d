#pragma once
// The fiscal-device package's own connection to the store database, separate from the caller's:
// the sale it records commits or rolls back on its own, whatever the caller's connection does.
//
// One process-wide connection, created on first use and freed when the package is unloaded.
// It connects on its first statement (connection string from VyrUtil::GetStringConexVyr, session
// set up by VyrUtil::SetADODBSession) and again after it was lost (db/connection.h). Used by one
// thread at a time, the worker's; Interrupt() on it may come from any thread.

#include "db/connection.h"

namespace VyrFiscal {

ado::TADOConnection& ConexaoFiscal();

}  // namespace VyrFiscal
