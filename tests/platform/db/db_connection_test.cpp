// Connecting, transactions, errors and lost connections, on both paths.

#include <string>
#include <vector>

#include "db/command.h"
#include "db/db_error.h"
#include "db/query.h"
#include "platform/db/db_test_env.h"

namespace ado::testing {
namespace {

class ConnectionTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connection_.ConnectionString.clear();  // set by the before-connect handler, as in the module
    connection_.BeforeConnect = [this](TADOConnection& c) {
      events_.push_back("before");
      c.ConnectionString = ConnectionString();
    };
    connection_.AfterConnect = [this](TADOConnection& c) {
      events_.push_back("after");
      c.ExecuteDirect("PRAGMA foreign_keys = ON");
    };
  }

  int CountRows() {
    TADOQuery query;
    query.Setup(connection_, "SELECT COUNT(*) AS N FROM T", {});
    query.Open();
    return static_cast<int>(query.FieldByName("N").AsInteger());
  }

  void Insert(const std::string& value) {
    TADOCommand insert;
    insert.Setup(connection_, "INSERT INTO T (A) VALUES (:P_A)", {{"P_A"}});
    insert.ParamByName("P_A").SetAsString(value);
    insert.Execute();
  }

  std::vector<std::string> events_;
};

TEST_P(ConnectionTest, ConnectsOnFirstStatementRunningBothHandlersOnce) {
  EXPECT_FALSE(connection_.Connected());
  EXPECT_TRUE(events_.empty());
  connection_.ExecuteDirect("CREATE TABLE T (A VARCHAR(10))");
  EXPECT_TRUE(connection_.Connected());
  Insert("a");
  EXPECT_EQ(1, CountRows());
  EXPECT_EQ((std::vector<std::string>{"before", "after"}), events_);
  EXPECT_EQ(Dialect::SQLite, connection_.GetDialect());
  EXPECT_EQ(0u, connection_.DbmsName().rfind("SQLite", 0));
}

TEST_P(ConnectionTest, FailedSetUpClosesSoTheNextStatementConnectsAgain) {
  bool fail = true;
  connection_.AfterConnect = [&](TADOConnection& c) {
    events_.push_back("after");
    if (fail) c.ExecuteDirect("THIS IS NOT SQL");
  };
  EXPECT_THROW(connection_.Open(), EADOError);
  EXPECT_FALSE(connection_.Connected());
  fail = false;
  connection_.Open();
  EXPECT_EQ((std::vector<std::string>{"before", "after", "before", "after"}), events_);
}

TEST_P(ConnectionTest, CommitKeepsAndRollbackDiscards) {
  connection_.ExecuteDirect("CREATE TABLE T (A VARCHAR(10))");
  EXPECT_FALSE(connection_.InTransaction());
  connection_.BeginTrans();
  EXPECT_TRUE(connection_.InTransaction());
  Insert("kept");
  connection_.CommitTrans();
  EXPECT_FALSE(connection_.InTransaction());

  connection_.BeginTrans();
  Insert("dropped");
  EXPECT_EQ(2, CountRows());  // the transaction sees its own work
  connection_.RollbackTrans();
  EXPECT_FALSE(connection_.InTransaction());
  EXPECT_EQ(1, CountRows());
}

TEST_P(ConnectionTest, TransactionMisuseIsAnInvalidOperation) {
  std::string messages = MisuseMessage([this] { connection_.CommitTrans(); }) + "|";
  messages += MisuseMessage([this] { connection_.RollbackTrans(); }) + "|";
  connection_.BeginTrans();
  messages += MisuseMessage([this] { connection_.BeginTrans(); }) + "|";
  EXPECT_EQ(
      "CommitTrans: no transaction is open|RollbackTrans: no transaction is open|"
      "BeginTrans: a transaction is already open|",
      messages);
  EXPECT_TRUE(connection_.InTransaction());
  connection_.RollbackTrans();
}

TEST_P(ConnectionTest, ClosingWithAnOpenTransactionRollsItBack) {
  connection_.ExecuteDirect("CREATE TABLE T (A VARCHAR(10))");
  connection_.BeginTrans();
  Insert("dropped");
  connection_.Close();
  EXPECT_FALSE(connection_.InTransaction());
  EXPECT_EQ(0, CountRows());
}

TEST_P(ConnectionTest, DatabaseErrorCarriesSqlStateNativeCodeAndDriverText) {
  connection_.ExecuteDirect("CREATE TABLE T (A VARCHAR(10) NOT NULL)");
  TADOQuery query;
  query.Setup(connection_, "SELECT X FROM NOSUCHTABLE", {});
  try {
    query.Open();
    FAIL() << "expected EADOError";
  } catch (const EADOError& error) {
    EXPECT_EQ(5u, error.SqlState().size());
    EXPECT_NE(0, error.NativeError());
    EXPECT_NE(std::string::npos, error.Message().find("no such table")) << error.Message();
    EXPECT_EQ(std::string::npos, error.Message().find(db_path_)) << error.Message();
    EXPECT_FALSE(error.ConnectionLost());
  }
  EXPECT_TRUE(connection_.Connected());  // an ordinary error keeps the connection

  TADOCommand insert;
  insert.Setup(connection_, "INSERT INTO T (A) VALUES (:P_A)", {{"P_A"}});
  EXPECT_THROW(insert.Execute(), EADOError);  // never bound: NULL into a NOT NULL column
  insert.ParamByName("P_A").SetAsString("now bound");
  EXPECT_EQ(1, insert.Execute());  // the statement is still usable after an error
}

TEST_P(ConnectionTest, UnusableDatabaseFileIsALostConnectionAndTheNextStatementReconnects) {
  connection_.ExecuteDirect("CREATE TABLE T (A VARCHAR(10))");
  Insert("a");
  TADOQuery count;  // one long-lived statement, as the data module keeps them
  count.Setup(connection_, "SELECT COUNT(*) AS N FROM T", {});
  count.Open();
  count.Close();
  const std::string good = ReadFile(db_path_);
  ASSERT_FALSE(good.empty());

  OverwriteInPlace(db_path_, std::string(good.size(), '\x5a'));
  try {
    count.Open();
    FAIL() << "expected a lost connection";
  } catch (const EADOError& error) {
    EXPECT_TRUE(error.ConnectionLost()) << error.SqlState() << " " << error.Message();
  }
  EXPECT_FALSE(connection_.Connected());
  EXPECT_EQ(2u, events_.size());

  OverwriteInPlace(db_path_, good);
  count.Open();
  EXPECT_EQ(1, count.FieldByName("N").AsInteger());
  EXPECT_EQ((std::vector<std::string>{"before", "after", "before", "after"}), events_);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, ConnectionTest, ::testing::Values(Path::Sqlite, Path::Odbc),
                         PathName);

}  // namespace
}  // namespace ado::testing
