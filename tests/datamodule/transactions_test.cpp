// The connection's single, non-nesting transaction, checked against the store file.

#include "datamodule/datamodule_fixture.h"
#include "db/command.h"

namespace dmtest {
namespace {

class TransactionsTest : public DataModuleTest {
 protected:
  void SetUp() override {
    DataModuleTest::SetUp();
    insert_.Setup(
        dm_->adcImpExpKds,
        R"mssql(INSERT INTO FILIAL (CDFILIAL, CDEMPRESA) VALUES (:P_CDFILIAL, '0001'))mssql",
        {{"P_CDFILIAL", ado::ParamType::String, 16}});
  }

  void InsertBranch(const std::string& cdfilial) {
    insert_.ParamByName("P_CDFILIAL").SetAsString(cdfilial);
    insert_.Execute();
  }
  int Branches() const { return store_.Count("FILIAL"); }

  ado::TADOCommand insert_;
};

TEST_F(TransactionsTest, CommitAndRollbackWithoutTransactionDoNothing) {
  dm_->CommitTrans();
  dm_->RollbackTrans();
  InsertBranch("0001");
  dm_->CommitTrans();
  dm_->RollbackTrans();
  EXPECT_EQ(1, Branches());
  EXPECT_FALSE(dm_->adcImpExpKds.InTransaction());
}

TEST_F(TransactionsTest, RollbackAfterCommitDoesNothing) {
  dm_->StartTrans();
  InsertBranch("0001");
  dm_->CommitTrans();
  dm_->RollbackTrans();
  EXPECT_EQ(1, Branches());
}

TEST_F(TransactionsTest, NestedStartJoinsAndTheFirstCommitEndsTheWhole) {
  dm_->StartTrans();
  InsertBranch("0001");
  dm_->StartTrans();  // an inner caller joins the open transaction
  InsertBranch("0002");
  dm_->CommitTrans();  // the inner commit ends it for everybody
  EXPECT_FALSE(dm_->adcImpExpKds.InTransaction());
  EXPECT_EQ(2, Branches());
  dm_->RollbackTrans();  // the outer roll-back finds nothing to undo
  EXPECT_EQ(2, Branches());
}

TEST_F(TransactionsTest, InnerRollbackUndoesTheOuterCallersWork) {
  dm_->StartTrans();
  InsertBranch("0001");
  dm_->StartTrans();
  InsertBranch("0002");
  dm_->RollbackTrans();
  dm_->CommitTrans();
  EXPECT_EQ(0, Branches());
}

TEST_F(TransactionsTest, UncommittedRowsAreInvisibleToOtherConnections) {
  dm_->StartTrans();
  InsertBranch("0001");
  EXPECT_EQ(0, Branches());
  dm_->CommitTrans();
  EXPECT_EQ(1, Branches());
}

}  // namespace
}  // namespace dmtest
