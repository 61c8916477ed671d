// What only the direct SQLite path checks: the database file itself.

#include <filesystem>
#include <fstream>
#include <string>

#include "db/db_error.h"
#include "db/query.h"
#include "platform/db/db_test_env.h"

namespace ado::testing {
namespace {

class SqliteStoreTest : public ::testing::Test {
 protected:
  std::string NewStore(const std::string& name) {
    std::string path = folder_.Path() + "/" + name;
    std::ofstream(path).close();
    return path;
  }

  vyrtest::TempDir folder_{"vyr_db"};
};

TEST_F(SqliteStoreTest, ReplacedDatabaseFileIsALostConnection) {
  const std::string path = NewStore("store.db");
  int connects = 0;
  TADOConnection connection;
  connection.ConnectionString = "sqlite:" + path;
  connection.AfterConnect = [&connects](TADOConnection&) { ++connects; };
  connection.ExecuteDirect("CREATE TABLE T (A VARCHAR(10))");
  connection.ExecuteDirect("INSERT INTO T VALUES ('old')");

  // A restore from backup: a new file renamed over the old one. The open handle would go on
  // writing into the removed file.
  TADOConnection other;
  other.ConnectionString = "sqlite:" + NewStore("restored.db");
  other.ExecuteDirect("CREATE TABLE T (A VARCHAR(10))");
  other.ExecuteDirect("INSERT INTO T VALUES ('restored')");
  other.Close();
  std::filesystem::rename(folder_.Path() + "/restored.db", path);

  TADOQuery query;
  query.Setup(connection, "SELECT A FROM T", {});
  try {
    query.Open();
    FAIL() << "expected a lost connection";
  } catch (const EADOError& error) {
    EXPECT_TRUE(error.ConnectionLost());
    EXPECT_EQ("08S01", error.SqlState());
  }
  query.Open();
  EXPECT_EQ("restored", query.FieldByName("A").AsString());
  EXPECT_EQ(2, connects);
}

TEST_F(SqliteStoreTest, MissingDatabaseFileIsAnErrorNotANewStore) {
  const std::string path = folder_.Path() + "/missing.db";
  TADOConnection connection;
  connection.ConnectionString = "sqlite:" + path;
  EXPECT_THROW(connection.Open(), EADOError);
  EXPECT_FALSE(connection.Connected());
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(SqliteStoreTest, UnknownConnectionStringFormDoesNotEchoTheString) {
  TADOConnection connection;
  connection.ConnectionString = "DRIVER=X;UID=sa;PWD=s3cret";
  try {
    connection.Open();
    FAIL() << "expected EADOError";
  } catch (const EADOError& error) {
    EXPECT_EQ(std::string::npos, error.Message().find("s3cret"));
  }
}

TEST_F(SqliteStoreTest, OdbcConnectFailureDoesNotEchoThePassword) {
  TADOConnection connection;
  connection.ConnectionString = "odbc:DRIVER=/nonexistent/driver.so;UID=sa;PWD=s3cret";
  try {
    connection.Open();
    FAIL() << "expected EADOError";
  } catch (const EADOError& error) {
    EXPECT_EQ(std::string::npos, error.Message().find("s3cret")) << error.Message();
    EXPECT_FALSE(error.SqlState().empty());
  }
}

}  // namespace
}  // namespace ado::testing
