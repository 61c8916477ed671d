// The data module's connection: closed at creation, connected by the first statement through
// both handlers, and the local table layout it declares.

#include <sqlite3.h>

#include "datamodule/datamodule_fixture.h"

namespace dmtest {
namespace {

std::string JournalModeOfAFreshConnection(const std::string& path) {
  sqlite3* db = nullptr;
  std::string mode;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
      mode = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return mode;
}

TEST_F(DataModuleTest, CreationDoesNotConnect) {
  EXPECT_FALSE(dm_->adcImpExpKds.Connected());
  EXPECT_EQ(0u, dm_->adcImpExpKds.Generation());
}

TEST_F(DataModuleTest, FirstStatementConnectsToTheProgramDirectorysStore) {
  vyrtest::InsertBranchStoreRegister(store_, "0001", "01", "001");
  dm_->adqParametros.ParamByName("P_CDFILIAL").SetAsString("0001");
  dm_->adqParametros.ParamByName("P_CDCAIXA").SetAsString("001");
  dm_->adqParametros.ParamByName("P_CDLOJA").SetAsString("01");
  dm_->adqParametros.Open();
  EXPECT_TRUE(dm_->adcImpExpKds.Connected());
  EXPECT_EQ("sqlite:" + store_.DbPath(), dm_->adcImpExpKds.ConnectionString);
  EXPECT_EQ(1, dm_->adqParametros.RecordCount());
  // The after-connect handler set the session up: the store now runs in WAL mode.
  EXPECT_EQ("wal", JournalModeOfAFreshConnection(store_.DbPath()));
}

TEST_F(DataModuleTest, EveryConnectTakesTheConnectionStringAgain) {
  dm_->adcImpExpKds.Open();
  dm_->adcImpExpKds.Close();
  vyrtest::TempStore other;
  rtl::SetProgramDirectory(other.Dir());
  dm_->adcImpExpKds.Open();
  EXPECT_EQ("sqlite:" + other.DbPath(), dm_->adcImpExpKds.ConnectionString);
  dm_->adcImpExpKds.Close();
}

TEST_F(DataModuleTest, PaymentLayoutTableDeclaresItsThirtyFiveFields) {
  const std::vector<rtl::FieldDef> fields = dm_->cdsConfTipoReceRev.FieldDefs();
  ASSERT_EQ(35u, fields.size());
  EXPECT_EQ("CDFILIAL", fields.front().name);
  EXPECT_EQ(4, fields.front().size);
  EXPECT_EQ("IDSANGRIAAUTO", fields.back().name);
  EXPECT_EQ(rtl::FieldType::Float, fields[10].type);  // NRCOLORTEXT
  EXPECT_EQ("DSIMAGEMBUT", fields[13].name);
  EXPECT_EQ(200, fields[13].size);
}

}  // namespace
}  // namespace dmtest
