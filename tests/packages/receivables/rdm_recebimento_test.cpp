// The receivables data module's own connection to the program directory's store.

#include "receivables/rdm_recebimento.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "db/db_error.h"
#include "rtl/program_dir.h"
#include "support/temp_store.h"

namespace {

class RdmRecebimentoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("VYR_CONEXAO");
    rtl::SetProgramDirectory(store_.Dir());
  }
  void TearDown() override {
    unsetenv("VYR_CONEXAO");
    rtl::SetProgramDirectory("");
  }
  vyrtest::TempStore store_;
};

TEST_F(RdmRecebimentoTest, CreatedClosedAndConnectsToTheDefaultStore) {
  VyrRecebimento::TrdmRecebimento dm;
  EXPECT_FALSE(dm.adcRecebimento.Connected());
  dm.adcRecebimento.SetConnected(true);
  EXPECT_TRUE(dm.adcRecebimento.Connected());
  EXPECT_EQ("sqlite:" + store_.DbPath(), dm.adcRecebimento.ConnectionString);
  EXPECT_EQ(1u, dm.adcRecebimento.Generation());
}

TEST_F(RdmRecebimentoTest, SwitchingOnAConnectedModuleDoesNotConnectAgain) {
  VyrRecebimento::TrdmRecebimento dm;
  dm.adcRecebimento.SetConnected(true);
  dm.adcRecebimento.SetConnected(true);
  EXPECT_EQ(1u, dm.adcRecebimento.Generation());
}

TEST_F(RdmRecebimentoTest, ConnectionStringFromTheEnvironmentWins) {
  vyrtest::TempStore other;
  setenv("VYR_CONEXAO", other.SqliteConnectionString().c_str(), 1);
  VyrRecebimento::TrdmRecebimento dm;
  dm.adcRecebimento.SetConnected(true);
  EXPECT_EQ(other.SqliteConnectionString(), dm.adcRecebimento.ConnectionString);
}

TEST_F(RdmRecebimentoTest, UnreachableStoreRaisesAndStaysClosed) {
  setenv("VYR_CONEXAO", ("sqlite:" + store_.Dir() + "/nao/existe/Loja.db").c_str(), 1);
  VyrRecebimento::TrdmRecebimento dm;
  EXPECT_THROW(dm.adcRecebimento.SetConnected(true), ado::EADOError);
  EXPECT_FALSE(dm.adcRecebimento.Connected());
}

}  // namespace
