#include "vyrutil/connection_setup.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "db/db_error.h"
#include "db/query.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"

namespace fs = std::filesystem;

namespace {

using VyrUtil::GetStringConexVyr;
using VyrUtil::SetADODBSession;

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vyrutil_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string dir_;
};

class GetStringConexVyrTest : public TempDir {
 protected:
  void SetUp() override {
    TempDir::SetUp();
    rtl::SetProgramDirectory(dir_);
    unsetenv("VYR_CONEXAO");
  }
  void TearDown() override {
    unsetenv("VYR_CONEXAO");
    rtl::SetProgramDirectory("");
    TempDir::TearDown();
  }
  void WriteIni(const std::string& text) {
    fs::create_directories(dir_ + "/Dados");
    std::ofstream(dir_ + "/Dados/Conexao.ini", std::ios::binary) << text;
  }
};

TEST_F(GetStringConexVyrTest, DefaultsToTheEmbeddedStoreOnlyWithoutAnIniFile) {
  const VyrUtil::ConnectionSource source = VyrUtil::GetStringConexVyrOrigem();
  EXPECT_EQ("sqlite:" + dir_ + "/Dados/Loja.db | padrao",
            source.connection_string + " | " + source.source);
}

// Each mistake names the file; none falls back to the default store.
TEST_F(GetStringConexVyrTest, AnIniFileWithoutAUsableLineIsReported) {
  std::string errors;
  for (const char* text : {"[Banco]\r\nServidor=loja01\r\n", "StringConexao=   \r\n"}) {
    WriteIni(text);
    try {
      GetStringConexVyr("");
    } catch (const rtl::EInOutError& e) {
      errors += std::string(e.what()) + "\n";
    }
  }
  fs::remove(dir_ + "/Dados/Conexao.ini");
  fs::create_directory(dir_ + "/Dados/Conexao.ini");  // exists, cannot be read as a file
  try {
    GetStringConexVyr("");
  } catch (const rtl::EInOutError& e) {
    errors += std::string(e.what()) + "\n";
  }
  const std::string ini = dir_ + "/Dados/Conexao.ini";
  EXPECT_EQ("Connection file '" + ini + "' has no StringConexao= line\n" + "Connection file '" +
                ini + "': StringConexao is empty\n" + "Cannot read connection file '" + ini +
                "': Is a directory\n",
            errors);
}

TEST(MascaraSenha, HidesPasswordsOnly) {
  EXPECT_EQ(
      "odbc:Driver={FreeTDS};Server=loja;UID=sa;PWD=***;Database=vyr",
      VyrUtil::MascaraSenha("odbc:Driver={FreeTDS};Server=loja;UID=sa;PWD=segredo;Database=vyr"));
  EXPECT_EQ("odbc:Server=loja;password=***;Pwd=***",
            VyrUtil::MascaraSenha("odbc:Server=loja;password={a;b};Pwd=c"));
  EXPECT_EQ("sqlite:/srv/pwd=dir/Loja.db", VyrUtil::MascaraSenha("sqlite:/srv/pwd=dir/Loja.db"));
}

TEST_F(GetStringConexVyrTest, ReadsTheIniLine) {
  WriteIni(
      "\xEF\xBB\xBF[Banco]\r\n; comentario\r\nstringconexao = "
      "odbc:Driver={ODBC Driver 18 for SQL Server};Server=loja01;PWD=a=b \r\nOutra=1\r\n");
  EXPECT_EQ("odbc:Driver={ODBC Driver 18 for SQL Server};Server=loja01;PWD=a=b",
            GetStringConexVyr(""));
}

TEST_F(GetStringConexVyrTest, EnvironmentComesFirst) {
  WriteIni("StringConexao=sqlite:/srv/ini.db\n");
  setenv("VYR_CONEXAO", "sqlite:/srv/env.db", 1);
  const VyrUtil::ConnectionSource env = VyrUtil::GetStringConexVyrOrigem();
  setenv("VYR_CONEXAO", "", 1);
  const VyrUtil::ConnectionSource ini = VyrUtil::GetStringConexVyrOrigem();
  EXPECT_EQ("sqlite:/srv/env.db | variavel de ambiente VYR_CONEXAO | sqlite:/srv/ini.db | " + dir_ +
                "/Dados/Conexao.ini",
            env.connection_string + " | " + env.source + " | " + ini.connection_string + " | " +
                ini.source);
}

class SetADODBSessionTest : public TempDir {
 protected:
  // The connection opens existing stores only.
  std::string NewStore() {
    const std::string path = dir_ + "/Loja.db";
    sqlite3* db = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    sqlite3_close(db);
    return path;
  }

  int64_t Pragma(ado::TADOConnection& connection, const std::string& name,
                 const std::string& column) {
    ado::TADOQuery query;
    query.Setup(connection, "PRAGMA " + name, {});
    query.Open();
    return query.FieldByName(column).AsInteger();
  }
};

TEST_F(SetADODBSessionTest, SqliteSessionEnforcesForeignKeysWaitsAndUsesWal) {
  const std::string path = NewStore();
  ado::TADOConnection connection;
  connection.ConnectionString = "sqlite:" + path;
  connection.AfterConnect = [](ado::TADOConnection& c) { SetADODBSession(c); };
  connection.Open();

  EXPECT_EQ(1, Pragma(connection, "foreign_keys", "foreign_keys"));
  connection.ExecuteDirect("CREATE TABLE LOJA (CDLOJA VARCHAR(4) PRIMARY KEY)");
  connection.ExecuteDirect(
      "CREATE TABLE CAIXA (CDCAIXA VARCHAR(3), CDLOJA VARCHAR(4) REFERENCES LOJA (CDLOJA))");
  EXPECT_THROW(connection.ExecuteDirect("INSERT INTO CAIXA VALUES ('001', '9999')"),
               ado::EADOError);

  // The journal mode is a property of the file: another reader sees it.
  sqlite3* other = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open_v2(path.c_str(), &other, SQLITE_OPEN_READONLY, nullptr));
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(other, "PRAGMA journal_mode", -1, &stmt, nullptr));
  ASSERT_EQ(SQLITE_ROW, sqlite3_step(stmt));
  EXPECT_STREQ("wal", reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
  sqlite3_finalize(stmt);
  sqlite3_close(other);
}

TEST_F(SetADODBSessionTest, SessionIsSetUpAgainAfterReconnecting) {
  ado::TADOConnection connection;
  connection.ConnectionString = "sqlite:" + NewStore();
  connection.AfterConnect = [](ado::TADOConnection& c) { SetADODBSession(c); };
  connection.Open();
  connection.Close();
  connection.Open();
  EXPECT_EQ(1, Pragma(connection, "foreign_keys", "foreign_keys"));
}

}  // namespace
