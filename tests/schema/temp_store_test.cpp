// The test store helper: other suites rely on it to show the database as it is, so its own
// behaviour (binding, NULL marker, clean-up) is checked here.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>

#include "support/temp_store.h"

namespace {

using vyrtest::TempStore;

TEST(TempStore, BindsEveryKindOfValueAndShowsNullAsMarker) {
  TempStore store;
  store.Exec("INSERT INTO PROXCODIGO (CDFILIAL, CDCAIXA, NRULTSEQVENDA) VALUES (?, ?, ?)",
             {"0001", "001", 41});
  store.Exec(
      "INSERT INTO ITEMVENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQUITVEND, VRUNITVEND, "
      "CDPRODUTO) VALUES (?, ?, ?, ?, ?, ?)",
      {"0001", "001", "1", "001", 12.5, nullptr});

  EXPECT_EQ((vyrtest::Rows{{"41"}}),
            store.Query("SELECT NRULTSEQVENDA FROM PROXCODIGO WHERE CDFILIAL = :F", {"0001"}));
  EXPECT_EQ((vyrtest::Rows{{"12.5", vyrtest::kNull}}),
            store.Query("SELECT VRUNITVEND, CDPRODUTO FROM ITEMVENDA"));
  EXPECT_EQ(1, store.Count("ITEMVENDA", "CDPRODUTO IS NULL"));
}

TEST(TempStore, ReportsRefusedStatementsAndWrongArgumentCounts) {
  TempStore store;
  EXPECT_THROW(store.Exec("INSERT INTO NOSUCHTABLE VALUES (1)"), std::runtime_error);
  EXPECT_THROW(store.Exec("INSERT INTO FILIAL (CDFILIAL) VALUES (?)", {}), std::runtime_error);
  store.Exec("INSERT INTO FILIAL (CDFILIAL) VALUES (?)", {"0001"});
  EXPECT_THROW(store.Exec("INSERT INTO FILIAL (CDFILIAL) VALUES (?)", {"0001"}),
               std::runtime_error);
  EXPECT_THROW(store.Scalar("SELECT CDFILIAL FROM FILIAL WHERE CDFILIAL = 'X'"),
               std::runtime_error);
}

TEST(TempStore, LivesInItsOwnFolderAndRemovesIt) {
  unsetenv("VYR_KEEP_TEST_DIRS");
  auto first = std::make_unique<TempStore>();
  TempStore second;
  const std::string dir = first->Dir();
  EXPECT_NE(dir, second.Dir());
  EXPECT_EQ(dir + "/Dados/Loja.db", first->DbPath());
  EXPECT_EQ("sqlite:" + first->DbPath(), first->SqliteConnectionString());
  EXPECT_NE(std::string::npos, first->OdbcConnectionString().find(";Database=" + first->DbPath()));
  first.reset();
  EXPECT_FALSE(std::filesystem::exists(dir));
  EXPECT_TRUE(std::filesystem::exists(second.DbPath()));
}

TEST(TempStore, KeepsItsFolderWhenAsked) {
  setenv("VYR_KEEP_TEST_DIRS", "1", 1);
  std::string dir;
  { dir = TempStore().Dir(); }
  unsetenv("VYR_KEEP_TEST_DIRS");
  EXPECT_TRUE(std::filesystem::exists(dir + "/Dados/Loja.db"));
  std::filesystem::remove_all(dir);
}

}  // namespace
