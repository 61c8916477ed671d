// Time limits of statements on a store locked by another connection, and the stop request from
// another thread, on both paths.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "db/command.h"
#include "db/db_error.h"
#include "platform/db/db_test_env.h"
#include "support/lock_wait.h"

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

  // Runs `action` on another thread once a statement of this one waits for the lock. The
  // SQLite3 ODBC driver waits inside itself, unseen by the lock-wait seam: on that path the
  // action comes at once, which gives the same outcome, as a stop or a release that comes
  // before the wait is met by the statement as it starts.
  void WhenWaiting(std::function<void()> action) {
    const bool seen = GetParam() == Path::Sqlite;
    other_ = std::thread([this, seen, action] {
      if (seen) {
        EXPECT_TRUE(watch_.WaitForWaiter());
      }
      action();
    });
  }

  // Runs `action` on another thread once this one says it is done, or after `bound` (a failure
  // bound: a statement that waited past its limit would then see the lock go).
  void WhenDone(std::chrono::milliseconds bound, std::function<void()> action) {
    other_ = std::thread([this, bound, action] {
      std::unique_lock<std::mutex> lock(done_mutex_);
      done_cv_.wait_for(lock, bound, [this] { return done_; });
      action();
    });
  }
  void Done() {
    {
      std::lock_guard<std::mutex> lock(done_mutex_);
      done_ = true;
    }
    done_cv_.notify_all();
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
  vyrtest::LockWaitWatch watch_;
  std::mutex done_mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::thread other_;
};

TEST_P(LimitTest, LimitedStatementGivesUpOnALockedStore) {
  insert_.CommandTimeout = 1;
  // Released once the statement gave up, or else later than the limit, so a wait longer than
  // the limit would succeed. The ODBC driver gives up after its own Timeout.
  WhenDone(std::chrono::seconds(10), [this] { ReleaseLock(); });
  const std::string outcome = Outcome([this] { insert_.Execute(); });
  Done();
  EXPECT_EQ("lock error", outcome);
}

TEST_P(LimitTest, StatementWithoutLimitWaitsUntilTheLockGoes) {
  // The statement's own limit governs its wait, not a shorter one of the session.
  connection_.ExecuteDirect("PRAGMA busy_timeout = 50");
  insert_.CommandTimeout = 0;
  WhenWaiting([this] { ReleaseLock(); });
  EXPECT_EQ("done", Outcome([this] { insert_.Execute(); }));
}

// On SQLite a transaction takes the write lock when it begins, so the wait to interrupt is the
// begin's; through ODBC the transaction begins at once and its first write waits.
TEST_P(LimitTest, InterruptEndsTheWaitAndRefusesAllButRollBackUntilCleared) {
  insert_.CommandTimeout = 0;
  WhenWaiting([this] { connection_.Interrupt(); });
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
