// Parameters and statement texts, on both paths: SQLite directly and through ODBC.

#include <string>

#include "db/command.h"
#include "db/db_error.h"
#include "db/query.h"
#include "db/statement_kit.h"
#include "platform/db/db_test_env.h"

namespace ado::testing {
namespace {

class StatementTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connection_.ExecuteDirect("CREATE TABLE T (A VARCHAR(10), B VARCHAR(10), N NUMERIC(15,3))");
  }

  std::string Column(const std::string& sql, const std::string& field) {
    TADOQuery query;
    query.Setup(connection_, sql, {});
    query.Open();
    return query.FieldByName(field).AsString();
  }
};

TEST_P(StatementTest, RepeatedNameGetsTheValueAtEveryPlace) {
  TADOCommand insert;
  insert.Setup(connection_, "INSERT INTO T (A, B) VALUES (:P_X, :P_X)", {{"P_X"}});
  insert.ParamByName("P_X").SetAsString("ABC");
  EXPECT_EQ(1, insert.Execute());

  TADOQuery query;
  query.Setup(connection_, "SELECT A, B FROM T WHERE A = :P_X AND B = :P_X", {{"P_X"}});
  query.ParamByName("p_x").SetAsString("ABC");  // names compare without regard to case
  query.Open();
  ASSERT_EQ(1, query.RecordCount());
  EXPECT_EQ("ABC", query.FieldByName("A").AsString());
  EXPECT_EQ("ABC", query.FieldByName("B").AsString());
}

TEST_P(StatementTest, ParameterKeepsItsLastValueAndNeverBoundIsNull) {
  TADOCommand insert;
  insert.Setup(connection_, "INSERT INTO T (A, B) VALUES (:P_A, :P_B)", {{"P_A"}, {"P_B"}});
  insert.ParamByName("P_A").SetAsString("one");
  insert.Execute();
  insert.Execute();
  insert.ParamByName("P_A").SetAsString("two");
  insert.Execute();

  EXPECT_EQ("one,one,two", Column("SELECT group_concat(A) AS L FROM T", "L"));
  EXPECT_EQ("3", Column("SELECT COUNT(*) AS C FROM T WHERE B IS NULL", "C"));
}

TEST_P(StatementTest, SameTextAgainStartsWithoutValuesAndSeesTheTableAsItIsNow) {
  const char* const sql = "INSERT INTO T (A, B) VALUES (:P_A, :P_B)";
  {
    TADOCommand first;
    first.Setup(connection_, sql, {{"P_A"}, {"P_B"}});
    first.ParamByName("P_A").SetAsString("one");
    first.ParamByName("P_B").SetAsString("kept?");
    first.Execute();
  }
  TADOCommand again;
  again.Setup(connection_, sql, {{"P_A"}, {"P_B"}});
  again.ParamByName("P_A").SetAsString("two");
  again.Execute();
  Column("SELECT * FROM T", "A");  // this text prepared once before the table changes
  connection_.ExecuteDirect("ALTER TABLE T ADD COLUMN C VARCHAR(10) DEFAULT 'c'");

  EXPECT_EQ("one:kept?:c,two:-:c|c",
            Column("SELECT group_concat(A || ':' || IFNULL(B, '-') || ':' || C) AS L FROM T", "L") +
                "|" + Column("SELECT * FROM T", "C"));
}

TEST_P(StatementTest, TextIsBoundWholeWhateverTheDeclaredSize) {
  std::string long_text(5000, 'x');
  long_text += "end";
  TADOCommand insert;
  insert.Setup(connection_, "INSERT INTO T (A) VALUES (:P_A)",
               {{"P_A", ado::ParamType::String, 4}});
  insert.ParamByName("P_A").SetAsString(long_text);
  insert.Execute();
  EXPECT_EQ(long_text, Column("SELECT A FROM T", "A"));
}

TEST_P(StatementTest, ColonsInLiteralsNamesAndCommentsAreNotParameters) {
  connection_.ExecuteDirect("CREATE TABLE \"W:X\" (V VARCHAR(5))");
  connection_.ExecuteDirect("INSERT INTO \"W:X\" VALUES ('v')");
  TADOQuery query;
  query.Setup(connection_,
              "SELECT ':P_NO' AS A, 'it''s :P_NO' AS B, -- :P_NO\n"
              "/* :P_NO */ :P_YES AS C, [V] AS D FROM \"W:X\"",
              {{"P_YES"}});
  query.ParamByName("P_YES").SetAsString("yes");
  query.Open();
  EXPECT_EQ(":P_NO", query.FieldByName("A").AsString());
  EXPECT_EQ("it's :P_NO", query.FieldByName("B").AsString());
  EXPECT_EQ("yes", query.FieldByName("C").AsString());
  EXPECT_EQ("v", query.FieldByName("D").AsString());
}

TEST_P(StatementTest, MisuseIsAnInvalidOperationNamingTheParameterAndStatement) {
  TADOQuery query;
  query.Name = "adqTeste";
  query.Setup(connection_, "SELECT A FROM T WHERE A = :P_MISSING", {{"P_A"}});
  TADOCommand never_set_up;
  never_set_up.Name = "acmTeste";
  TADOQuery unnamed;
  std::string messages = MisuseMessage([&] { query.Open(); }) + "|";
  messages += MisuseMessage([&] { query.ParamByName("P_OTHER"); }) + "|";
  messages += MisuseMessage([&] { never_set_up.Execute(); }) + "|";
  messages += MisuseMessage([&] { unnamed.Open(); }) + "|";
  EXPECT_EQ(
      "Parameter 'P_MISSING' not found in the query 'adqTeste'|"
      "Parameter 'P_OTHER' not found in the query 'adqTeste'|"
      "Cannot run the command 'acmTeste': it was never set up|"
      "Cannot run the query: it was never set up|",
      messages);
}

TEST_P(StatementTest, ValuesBindAfterTheDeclaredType) {
  TADOQuery query;
  query.Setup(connection_, "SELECT typeof(:P_F) AS F, typeof(:P_S) AS S, typeof(:P_U) AS U",
              {{"P_F", ado::ParamType::Float},
               {"P_S", ado::ParamType::String},
               {"P_U", ado::ParamType::Unknown}});
  query.ParamByName("P_F").SetAsString("0");  // a number in text form binds as the number
  query.ParamByName("P_S").SetAsFloat(2.5);
  query.ParamByName("P_U").SetAsFloat(1.5);
  query.Open();
  EXPECT_EQ("real", query.FieldByName("F").AsString());
  EXPECT_EQ("text", query.FieldByName("S").AsString());
  EXPECT_EQ("real", query.FieldByName("U").AsString());

  query.Close();
  query.ParamByName("P_U").SetAsString("1.5");  // untyped: the value's own type
  query.Open();
  EXPECT_EQ("text", query.FieldByName("U").AsString());
}

TEST_P(StatementTest, NonNumericTextForFloatParameterIsAConversionError) {
  TADOCommand insert;
  insert.Setup(connection_, "INSERT INTO T (N) VALUES (:P_N)", {{"P_N", ado::ParamType::Float}});
  insert.ParamByName("P_N").SetAsString("abc");
  EXPECT_THROW(insert.Execute(), rtl::EConvertError);
}

TEST_P(StatementTest, CommandReportsRowsAffected) {
  connection_.ExecuteDirect("INSERT INTO T (A) VALUES ('a'), ('a'), ('b')");
  TADOCommand update;
  update.Setup(connection_, "UPDATE T SET B = 'x' WHERE A = :P_A", {{"P_A"}});
  update.ParamByName("P_A").SetAsString("a");
  EXPECT_EQ(2, update.Execute());
  update.ParamByName("P_A").SetAsString("none");
  EXPECT_EQ(0, update.Execute());
}

TEST_P(StatementTest, KitTypesParametersByValueAndReadsOnlyTheFirstRow) {
  connection_.ExecuteDirect("CREATE TABLE U (X, Y, Z)");
  for (const char* z : {"b", "a"}) {
    RunCommand(connection_, "acmInsU", "INSERT INTO U (X, Y, Z) VALUES (:P_X, :P_Y, :P_Z)",
               {{"P_X", 1.5}, {"P_Y", TextOrNull("")}, {"P_Z", z}});
  }
  std::string rows;
  const auto read = [&](const char* from) {
    const bool found = ReadFirstRow(
        connection_, "adqU",
        "SELECT typeof(X) || ' ' || typeof(Y) || ' ' || Z AS R FROM U WHERE Z >= :P_Z ORDER BY Z",
        {TextParam("P_Z")}, {{"P_Z", from}},
        [&rows](TADOQuery& query) { rows += query.FieldByName("R").AsString() + ", "; });
    rows += found ? "found; " : "none; ";
  };
  read("a");
  read("c");
  EXPECT_EQ("real null a, found; none; ", rows);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, StatementTest, ::testing::Values(Path::Sqlite, Path::Odbc),
                         PathName);

}  // namespace
}  // namespace ado::testing
