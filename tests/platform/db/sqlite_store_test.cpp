// What only the direct SQLite path checks: the database file itself.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "db/db_error.h"
#include "db/query.h"
#include "platform/db/db_test_env.h"

namespace ado::testing {
namespace {

// Makes a file or folder unwritable while it lives, even for root: by the immutable attribute
// where the file system allows it, else by the permission bits (which root ignores).
class Unwritable {
 public:
  explicit Unwritable(const std::string& path) : path_(path) {
    immutable_ = SetImmutable(true);
    applied_ = immutable_ || (geteuid() != 0 && chmod(path_.c_str(), 0555) == 0);
  }
  ~Unwritable() {
    if (immutable_) SetImmutable(false);
    if (!immutable_ && applied_) chmod(path_.c_str(), 0755);
  }
  bool Applied() const { return applied_; }

 private:
  bool SetImmutable(bool on) {
    int fd = open(path_.c_str(), O_RDONLY);
    if (fd < 0) return false;
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    close(fd);
    return done;
  }

  std::string path_;
  bool immutable_ = false;
  bool applied_ = false;
};

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

TEST_F(SqliteStoreTest, StoreThatCannotBeWrittenFailsTheConnectNamingItsPath) {
  const std::string path = NewStore("store.db");
  std::string messages;
  for (const std::string& target : {path, folder_.Path()}) {
    Unwritable unwritable(target);
    if (!unwritable.Applied()) GTEST_SKIP() << "cannot make " << target << " unwritable here";
    TADOConnection connection;
    connection.ConnectionString = "sqlite:" + path;
    try {
      connection.Open();
      messages += "connected|";
    } catch (const EADOError& error) {
      messages += error.Message() + "|";
    }
  }
  const std::string prefix = "The database file " + path + " cannot be opened for writing: ";
  EXPECT_EQ(prefix + "the file is read-only|" + prefix + "its folder " + folder_.Path() +
                " is read-only, and SQLite keeps its journal beside the file|",
            messages);
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
