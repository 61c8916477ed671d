// The connection's single, non-nesting transaction, checked against the store file.

#include <thread>

#include "datamodule/datamodule_fixture.h"
#include "datamodule/transaction_scope.h"
#include "db/command.h"
#include "db/statement_kit.h"
#include "rtl/errors.h"
#include "support/lock_wait.h"

namespace dmtest {
namespace {

class TransactionsTest : public DataModuleTest {
 protected:
  void SetUp() override {
    DataModuleTest::SetUp();
    Cli_Qam00417::DeclareCommand(
        insert_, dm_->adcImpExpKds,
        R"mssql(INSERT INTO FILIAL (CDFILIAL, CDEMPRESA) VALUES (:P_CDFILIAL, '0001'))mssql",
        {Cli_Qam00417::TextParam("P_CDFILIAL")});
  }

  void InsertBranch(const std::string& cdfilial) {
    Cli_Qam00417::Execute(insert_, {{"P_CDFILIAL", cdfilial}});
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

// A transaction that reads before it writes, begun while another program of the installation
// is writing, waits for that program and then sees its rows, instead of failing at its first
// write because what it read had gone stale.
TEST_F(TransactionsTest, ReadThenWriteWaitsForAnotherProgramsWrite) {
  dm_->adcImpExpKds.Open();  // session set up, store in WAL mode
  store_.Exec("BEGIN IMMEDIATE");
  vyrtest::LockWaitWatch watch;
  std::thread other([this, &watch] {
    EXPECT_TRUE(watch.WaitForWaiter());
    store_.Exec("INSERT INTO FILIAL (CDFILIAL, CDEMPRESA) VALUES ('0009', '0001')");
    store_.Exec("COMMIT");
  });
  std::string seen;
  std::string error;
  try {
    dm_->StartTrans();
    ado::TADOQuery count;
    Cli_Qam00417::DeclareQuery(count, dm_->adcImpExpKds, "SELECT COUNT(*) AS N FROM FILIAL", {});
    count.Open();
    seen = count.FieldByName("N").AsString();
    InsertBranch("0001");
    dm_->CommitTrans();
  } catch (const std::exception& e) {
    error = e.what();
  }
  other.join();
  EXPECT_EQ("", error);
  EXPECT_EQ("1", seen);
  EXPECT_EQ(2, Branches());
}

// The scope's three ways out: committed, left by an error, dismissed inside a caller's
// transaction; and a binding of an undeclared name, which is a bug and not a database failure.
TEST_F(TransactionsTest, ScopeCommitsOrRollsBackOnEveryWayOut) {
  {
    Cli_Qam00417::TransactionScope scope(*dm_);
    InsertBranch("0001");
    scope.Commit();
  }
  try {
    Cli_Qam00417::TransactionScope scope(*dm_);
    InsertBranch("0002");
    Cli_Qam00417::Execute(insert_, {{"P_NAO_DECLARADO", "x"}});
    scope.Commit();
    FAIL() << "an undeclared parameter was bound";
  } catch (const rtl::EDatabaseError&) {
    FAIL() << "misuse reported as a database failure";
  } catch (const rtl::EInvalidOperation&) {
  }
  dm_->StartTrans();
  InsertBranch("0003");
  {
    Cli_Qam00417::TransactionScope scope(*dm_, false);
    scope.Dismiss();
  }
  EXPECT_TRUE(dm_->adcImpExpKds.InTransaction());
  dm_->CommitTrans();
  EXPECT_EQ("0001,0003", store_.Scalar("SELECT group_concat(CDFILIAL) FROM FILIAL"));
}

}  // namespace
}  // namespace dmtest
