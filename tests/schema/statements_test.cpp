// Every statement the module and its packages run against the store prepares on the schema: a
// missing or misspelt column fails here first. The texts are the components' own.

#include <gtest/gtest.h>

#include <string>

#include "db/connection.h"
#include "schema/module_statements.h"
#include "support/temp_store.h"
#include "vyrutil/next_code.h"

namespace {

using vyrtest::TempStore;

// Prepares each text on the store; returns the names of the statements that fail, with SQLite's
// message, and of the components without a text.
template <typename Statements>
std::string Unprepared(const TempStore& store, const Statements& statements) {
  std::string failures;
  for (const auto& [name, sql] : statements) {
    const std::string text = sql->For(ado::Dialect::SQLite);
    if (text.empty()) {
      failures += name + ": no text; ";
      continue;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(store.Handle(), text.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      failures += name + ": " + sqlite3_errmsg(store.Handle()) + "; ";
    }
    sqlite3_finalize(stmt);
  }
  return failures;
}

TEST(StoreStatements, EveryModuleStatementPreparesOnTheSchema) {
  TempStore store;
  EXPECT_EQ("", Unprepared(store, vyrtest::ModuleForm().Statements()));
}

// The SQL Server form of the counter update returns the new value with OUTPUT; SQLite runs the
// other three.
TEST(StoreStatements, EveryNextCodeStatementPreparesOnTheSchema) {
  TempStore store;
  ado::TADOConnection connection;
  const VyrUtil::TdtmVyrProxCodigo service(connection);
  auto statements = service.Statements();
  statements.erase(statements.begin());
  ASSERT_EQ("adqUpdProxCodigoSqlite", statements.front().first);
  EXPECT_EQ("", Unprepared(store, statements));
}

}  // namespace
