#pragma once
// A seam for measuring: a function called with the statement's text before every statement a
// SQLite connection sends to its database (queries, commands, BEGIN, COMMIT, ROLLBACK), on the
// thread that sends it. Unset in production; a benchmark sets one to stand for the round trip of
// a database across the network, a test one to see which statements a step runs.

namespace ado {

using StatementHook = void (*)(const char* sql);

// Sets the function called before each statement (nullptr: none). Set it before the connections
// are used, not while statements run on other threads.
void SetStatementHook(StatementHook hook);

// Calls the hook set, if any, with `sql`.
void BeforeStatement(const char* sql);

}  // namespace ado
