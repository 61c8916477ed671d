#pragma once
// The backend over the sqlite3 C API, for "sqlite:<path>" connection strings. Private to the
// database layer.
//
// The database file must exist (a wrong path is an error, not a new empty store). A file that
// becomes unusable while connected (removed, replaced, unreadable, not a database any more) is
// reported as a lost connection, with SQLSTATE "08S01".

#include <memory>
#include <string>

#include "db/backend.h"

namespace ado {

std::unique_ptr<Backend> OpenSqliteBackend(const std::string& path);

}  // namespace ado
