#pragma once
// The backend over the sqlite3 C API, for "sqlite:<path>" connection strings. Private to the
// database layer.
//
// The database file must exist (a wrong path is an error, not a new empty store). A file that
// becomes unusable while connected (removed, replaced, unreadable, not a database any more) is
// reported as a lost connection, with SQLSTATE "08S01". A file or folder that cannot be written
// fails the connect.
//
// Time limits: a statement waits for a database locked by another connection as long as its
// limit (0: without limit) and then fails with SQLSTATE "HYT00"; the limit does not cut work
// that runs without waiting. Begin, commit and roll-back wait without limit.

#include <memory>
#include <string>

#include "db/backend.h"
#include "db/interrupt_gate.h"

namespace ado {

std::unique_ptr<Backend> OpenSqliteBackend(const std::string& path,
                                           std::shared_ptr<InterruptGate> gate);

}  // namespace ado
