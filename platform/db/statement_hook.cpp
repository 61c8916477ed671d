#include "db/statement_hook.h"

namespace ado {

namespace {
StatementHook g_hook = nullptr;
}  // namespace

void SetStatementHook(StatementHook hook) {
  g_hook = hook;
}

void BeforeStatement(const char* sql) {
  if (g_hook != nullptr) g_hook(sql);
}

}  // namespace ado
