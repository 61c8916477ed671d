// Time limits of statements on a store locked by another connection, and the stop request from
// another thread, on both paths.

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "db/command.h"
#include "db/db_error.h"
#include "platform/db/db_test_env.h"

namespace ado::testing {
namespace {

class LimitTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (GetParam() == Path::Odbc) {
      // The SQLite3 ODBC driver waits for a lock as its Timeout says (about twice over),
      // whatever the statement's limit or a cancel: keep that wait short here.
      connection_.ConnectionString = std::string("odbc:DRIVER=") + vyrtest::SqliteOdbcDriver() +
                                     ";Database=" + db_path_ + ";Timeout=400";
    }
    connection_.ExecuteDirect("CREATE TABLE T (A VARCHAR(10))");
    locker_.ConnectionString = "sqlite:" + db_path_;
    locker_.ExecuteDirect("BEGIN IMMEDIATE");  // another program holds the write lock
    insert_.Setup(connection_, "INSERT INTO T (A) VALUES ('x')", {});
  }

  void TearDown() override {
    if (other_.joinable()) other_.join();
  }

  // Runs `action` on another thread after `pause`, while this one waits for the lock.
  void After(std::chrono::milliseconds pause, std::function<void()> action) {
    other_ = std::thread([pause, action] {
      std::this_thread::sleep_for(pause);
      action();
    });
  }

  void ReleaseLock() { locker_.ExecuteDirect("ROLLBACK"); }

  static std::string Outcome(const std::function<void()>& action) {
    try {
      action();
      return "done";
    } catch (const EADOError& error) {
      if (error.Interrupted()) return "interrupted";
      if (error.Message().find("locked") != std::string::npos) return "lock error";
      return "error " + error.SqlState() + " " + error.Message();
    }
  }

  TADOConnection locker_;
  TADOCommand insert_;
  std::thread other_;
};

TEST_P(LimitTest, LimitedStatementGivesUpOnALockedStore) {
  insert_.CommandTimeout = 1;
  // Released later than the limit, so a wait longer than the limit would succeed. The ODBC
  // driver gives up after its own Timeout, before that.
  if (GetParam() == Path::Sqlite) {
    After(std::chrono::milliseconds(1800), [this] { ReleaseLock(); });
  }
  EXPECT_EQ("lock error", Outcome([this] { insert_.Execute(); }));
}

TEST_P(LimitTest, StatementWithoutLimitWaitsUntilTheLockGoes) {
  // The statement's own limit governs its wait, not a shorter one of the session.
  connection_.ExecuteDirect("PRAGMA busy_timeout = 50");
  insert_.CommandTimeout = 0;
  After(std::chrono::milliseconds(300), [this] { ReleaseLock(); });
  EXPECT_EQ("done", Outcome([this] { insert_.Execute(); }));
}

// On SQLite a transaction takes the write lock when it begins, so the wait to interrupt is the
// begin's; through ODBC the transaction begins at once and its first write waits.
TEST_P(LimitTest, InterruptEndsTheWaitAndRefusesAllButRollBackUntilCleared) {
  insert_.CommandTimeout = 0;
  After(std::chrono::milliseconds(200), [this] { connection_.Interrupt(); });
  std::string outcomes;
  if (GetParam() == Path::Sqlite) {
    outcomes = Outcome([this] { connection_.BeginTrans(); });
  } else {
    connection_.BeginTrans();
    outcomes = Outcome([this] { insert_.Execute(); });
  }
  other_.join();
  outcomes +=
      std::string(" ") + (connection_.InTransaction() ? "in transaction" : "no transaction");
  outcomes += " " + Outcome([this] { insert_.Execute(); });
  if (connection_.InTransaction()) {
    outcomes += " " + Outcome([this] { connection_.CommitTrans(); });
    outcomes += " " + Outcome([this] { connection_.RollbackTrans(); });
  }
  outcomes += " " + Outcome([this] { connection_.BeginTrans(); });
  ReleaseLock();
  connection_.ClearInterrupt();
  if (!connection_.InTransaction()) connection_.BeginTrans();
  outcomes += " " + Outcome([this] { insert_.Execute(); });
  connection_.CommitTrans();
  EXPECT_EQ(GetParam() == Path::Sqlite
                ? "interrupted no transaction interrupted interrupted done"
                : "interrupted in transaction interrupted interrupted done interrupted done",
            outcomes);
  EXPECT_TRUE(connection_.Connected());
}

TEST_P(LimitTest, InterruptOfAClosedConnectionRefusesToConnect) {
  connection_.Close();
  connection_.Interrupt();
  EXPECT_EQ("interrupted", Outcome([this] { insert_.Execute(); }));
  EXPECT_FALSE(connection_.Connected());
}

INSTANTIATE_TEST_SUITE_P(BothPaths, LimitTest, ::testing::Values(Path::Sqlite, Path::Odbc),
                         PathName);

}  // namespace
}  // namespace ado::testing
