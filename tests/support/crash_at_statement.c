// LD_PRELOAD library for crash trials: ends the process with _exit(9), as a kill -9 would end it,
// just before the N-th SQL statement that any SQLite connection of the process starts, counted
// from the first statement whose text begins with $VYR_CRASH_FROM (from the first statement
// when it is unset). N is $VYR_CRASH_AT; without it the library does nothing. Statements run by
// triggers are not counted. A COMMIT counts as a statement, so "before statement N" is also
// "after statement N - 1 took effect".
#include <sqlite3.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static long crash_at;
static const char* count_from;
static long counted;
static int counting;

static int on_statement(unsigned type, void* ctx, void* p, void* x) {
  (void)ctx;
  (void)p;
  const char* text = (const char*)x;
  if (type != SQLITE_TRACE_STMT || text == NULL || (text[0] == '-' && text[1] == '-')) return 0;
  if (!counting && strncmp(text, count_from, strlen(count_from)) != 0) return 0;
  counting = 1;
  if (__atomic_add_fetch(&counted, 1, __ATOMIC_SEQ_CST) == crash_at) _exit(9);
  return 0;
}

static int on_open(sqlite3* db, char** err, const sqlite3_api_routines* api) {
  (void)err;
  (void)api;
  sqlite3_trace_v2(db, SQLITE_TRACE_STMT, on_statement, 0);
  return SQLITE_OK;
}

__attribute__((constructor)) static void start(void) {
  const char* at = getenv("VYR_CRASH_AT");
  if (at == NULL || atol(at) <= 0) return;
  crash_at = atol(at);
  count_from = getenv("VYR_CRASH_FROM");
  if (count_from == NULL) count_from = "";
  sqlite3_auto_extension((void (*)(void))on_open);
}
