// A unit of work joins its caller's transaction and leaves it to the caller, or runs its own.

#include <gtest/gtest.h>

#include <stdexcept>

#include "db/joined_transaction.h"
#include "db/query.h"
#include "platform/db/db_test_env.h"

namespace ado::testing {
namespace {

class JoinedTransactionTest : public DbTest {
 protected:
  int Rows() {
    TADOQuery query;
    query.Setup(connection_, "SELECT COUNT(*) AS N FROM T", {});
    query.Open();
    return static_cast<int>(query.FieldByName("N").AsInteger());
  }
  void Insert() { connection_.ExecuteDirect("INSERT INTO T VALUES (1)"); }
};

TEST_P(JoinedTransactionTest, OwnWorkCommitsOrRollsBackAndJoinedWorkStaysTheCallers) {
  connection_.ExecuteDirect("CREATE TABLE T (A INTEGER)");
  {
    JoinedTransaction work(connection_);
    Insert();
    work.Commit();
  }
  try {
    JoinedTransaction work(connection_);
    Insert();
    throw std::runtime_error("failed half-way");
  } catch (const std::runtime_error&) {
  }
  connection_.BeginTrans();
  {
    JoinedTransaction work(connection_);
    Insert();
    work.Commit();
    EXPECT_TRUE(work.Joined());
  }
  const bool caller_still_open = connection_.InTransaction();
  connection_.RollbackTrans();
  EXPECT_EQ("1 open, 1 row",
            std::to_string(caller_still_open) + " open, " + std::to_string(Rows()) + " row");
}

INSTANTIATE_TEST_SUITE_P(Paths, JoinedTransactionTest, ::testing::Values(Path::Sqlite), PathName);

}  // namespace
}  // namespace ado::testing
