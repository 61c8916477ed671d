// Result columns, values, fixed fields and provider packets, on both paths.

#include <string>

#include "db/command.h"
#include "db/db_error.h"
#include "db/provider.h"
#include "db/query.h"
#include "db/result_builder.h"
#include "platform/db/db_test_env.h"
#include "rtl/datetime.h"

namespace ado::testing {
namespace {

using rtl::FieldType;

class ResultTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    connection_.ExecuteDirect(
        "CREATE TABLE VENDA (CDFILIAL VARCHAR(4), VRTOTAL NUMERIC(15,3), QTITENS INTEGER, "
        "DTVENDA DATETIME, DSNOTA VARCHAR(2000))");
  }

  void InsertSale(const std::string& filial, double total, const char* when) {
    TADOCommand insert;
    insert.Setup(connection_,
                 "INSERT INTO VENDA (CDFILIAL, VRTOTAL, QTITENS, DTVENDA) "
                 "VALUES (:P_CDFILIAL, :P_VRTOTAL, 3, :P_DTVENDA)",
                 {{"P_CDFILIAL"},
                  {"P_VRTOTAL", ado::ParamType::Float},
                  {"P_DTVENDA", ado::ParamType::DateTime}});
    insert.ParamByName("P_CDFILIAL").SetAsString(filial);
    insert.ParamByName("P_VRTOTAL").SetAsFloat(total);
    insert.ParamByName("P_DTVENDA").SetAsString(when);
    insert.Execute();
  }

  std::string Describe(const rtl::DataPacket& packet) {
    std::string out;
    for (const rtl::FieldDef& field : packet.Fields()) {
      out += field.name + ":" + rtl::FieldTypeName(field.type) + ":" + std::to_string(field.size) +
             " ";
    }
    return out;
  }
};

TEST_P(ResultTest, ColumnsComeInStatementOrderWithTypeAndWidth) {
  InsertSale("0001", 12.5, "2024-03-05 10:20:30");
  TADOQuery query;
  query.Setup(connection_, "SELECT DSNOTA, QTITENS, DTVENDA, CDFILIAL, VRTOTAL FROM VENDA", {});
  query.Open();
  EXPECT_EQ(
      "DSNOTA:String:2000 QTITENS:Float:0 DTVENDA:DateTime:0 CDFILIAL:String:4 "
      "VRTOTAL:Float:0 ",
      Describe(query.Packet()));
  EXPECT_EQ(rtl::Variant(3.0), query.FieldByName("QTITENS").Value());
  EXPECT_EQ(rtl::Variant(12.5), query.FieldByName("VRTOTAL").Value());
  EXPECT_EQ("0001", query.FieldByName("CDFILIAL").AsString());
}

TEST_P(ResultTest, ExpressionColumnsTakeTheTypeOfTheirValues) {
  InsertSale("0001", 10, "2024-03-05 10:20:30");
  InsertSale("0001", 2.25, "2024-03-05 11:00:00");
  TADOQuery query;
  query.Setup(connection_,
              "SELECT COUNT(*) AS N, SUM(VRTOTAL) AS S, "
              "CASE WHEN COUNT(*) > 1 THEN 'S' ELSE 'N' END AS F FROM VENDA",
              {});
  query.Open();
  const rtl::DataPacket packet = query.Packet();
  EXPECT_EQ(FieldType::Float, packet.Fields()[0].type);
  EXPECT_EQ(FieldType::Float, packet.Fields()[1].type);
  EXPECT_EQ(FieldType::String, packet.Fields()[2].type);
  EXPECT_LE(1, packet.Fields()[2].size);
  EXPECT_EQ(rtl::Variant(2.0), packet.Value(0, 0));
  EXPECT_EQ(rtl::Variant(12.25), packet.Value(0, 1));
  EXPECT_EQ(rtl::Variant("S"), packet.Value(0, 2));
}

TEST_P(ResultTest, NullsReadAsNullInTypedColumns) {
  connection_.ExecuteDirect("INSERT INTO VENDA (CDFILIAL) VALUES (NULL)");
  TADOQuery query;
  query.Setup(connection_, "SELECT CDFILIAL, VRTOTAL, DTVENDA FROM VENDA", {});
  query.Open();
  const rtl::DataPacket packet = query.Packet();
  EXPECT_EQ("CDFILIAL:String:4 VRTOTAL:Float:0 DTVENDA:DateTime:0 ", Describe(packet));
  for (size_t c = 0; c < 3; ++c) EXPECT_TRUE(packet.Value(0, c).IsNull()) << c;
}

TEST_P(ResultTest, DateTimeIsStoredAsSqlTextAndReadBackAsDateTime) {
  const rtl::TDateTime when = rtl::EncodeDateTime({2024, 3, 5, 10, 20, 30, 0});
  TADOCommand insert;
  insert.Setup(connection_, "INSERT INTO VENDA (CDFILIAL, DTVENDA) VALUES ('0001', :P_DTVENDA)",
               {{"P_DTVENDA", ado::ParamType::DateTime}});
  insert.ParamByName("P_DTVENDA").SetAsDateTime(when);
  insert.Execute();
  insert.ParamByName("P_DTVENDA").SetAsString("06/03/2024 08:00:00");
  insert.Execute();

  TADOQuery query;
  query.Setup(connection_,
              "SELECT CAST(DTVENDA AS TEXT) AS TXT, DTVENDA FROM VENDA "
              "WHERE DTVENDA = '2024-03-05 10:20:30' OR DTVENDA = :P_DT ORDER BY DTVENDA",
              {{"P_DT", ado::ParamType::DateTime}});
  query.ParamByName("P_DT").SetAsDateTime(rtl::EncodeDateTime({2024, 3, 6, 8, 0, 0, 0}));
  query.Open();
  ASSERT_EQ(2, query.RecordCount());
  EXPECT_EQ("2024-03-05 10:20:30", query.FieldByName("TXT").AsString());
  EXPECT_EQ(rtl::Variant::FromDateTime(when), query.FieldByName("DTVENDA").Value());
  query.Next();
  EXPECT_EQ("2024-03-06 08:00:00", query.FieldByName("TXT").AsString());
}

TEST_P(ResultTest, DeclaredFieldsGiveExactlyThoseFieldsConverted) {
  connection_.ExecuteDirect(
      "INSERT INTO VENDA (CDFILIAL, DSNOTA, QTITENS) VALUES ('0001', '12.5', 7)");
  TADOQuery query;
  query.Setup(connection_, "SELECT CDFILIAL, DSNOTA, QTITENS, VRTOTAL FROM VENDA", {});
  query.DeclareFields({{"QTITENS", FieldType::Integer},
                       {"dsnota", FieldType::Float},
                       {"CDFILIAL", FieldType::String, 10}});
  query.Open();
  const rtl::DataPacket packet = query.Packet();
  EXPECT_EQ("QTITENS:Integer:0 dsnota:Float:0 CDFILIAL:String:10 ", Describe(packet));
  EXPECT_EQ(rtl::Variant(int64_t{7}), packet.Value(0, 0));
  EXPECT_EQ(rtl::Variant(12.5), packet.Value(0, 1));
  EXPECT_EQ(7, query.FieldByName("QTITENS").AsInteger());

  query.Close();
  query.DeclareFields({{"NOSUCHCOLUMN", FieldType::String, 4}});
  EXPECT_THROW(query.Open(), EADOError);
  EXPECT_FALSE(query.Active());
}

TEST_P(ResultTest, DeclaredTextFieldsCutLongerValuesToTheirWidthInCharacters) {
  connection_.ExecuteDirect(
      "INSERT INTO VENDA (CDFILIAL, DSNOTA) VALUES ('0001', 'abcdefg'), ('0002', 'ãéíõú'), "
      "('0003', 'ab'), ('0004', NULL)");
  TADOQuery query;
  query.Setup(connection_, "SELECT CDFILIAL, DSNOTA FROM VENDA ORDER BY CDFILIAL", {});
  query.DeclareFields({{"CDFILIAL", FieldType::String, 2}, {"DSNOTA", FieldType::String, 3}});
  query.Open();
  const rtl::DataPacket packet = query.Packet();
  std::string values;
  for (size_t r = 0; r < packet.RowCount(); ++r) {
    for (size_t c = 0; c < 2; ++c) {
      const rtl::Variant& value = packet.Value(r, c);
      if (value.IsNull()) {
        values += "NULL ";
        continue;
      }
      const std::string text = value.AsString();
      values += text + (Utf8Length(text) > packet.Fields()[c].size ? "(too wide) " : " ");
    }
  }
  EXPECT_EQ("00 abc 00 ãéí 00 ab 00 NULL ", values);
}

TEST_P(ResultTest, ProviderPacketsTheWholeResult) {
  InsertSale("0001", 1, "2024-03-05 10:00:00");
  InsertSale("0002", 2, "2024-03-05 11:00:00");
  TADOQuery query;
  query.Setup(connection_, "SELECT CDFILIAL FROM VENDA ORDER BY CDFILIAL", {});
  TDataSetProvider provider(query);

  rtl::Variant data = provider.Data();  // a closed query is opened and closed again
  EXPECT_FALSE(query.Active());
  ASSERT_EQ(2u, data.AsPacket().RowCount());
  EXPECT_EQ(rtl::Variant("0002"), data.AsPacket().Value(1, 0));

  query.Open();
  query.Next();
  EXPECT_EQ(2u, provider.Data().AsPacket().RowCount());  // from the first row, stays open
  EXPECT_TRUE(query.Active());
  EXPECT_EQ("0002", query.FieldByName("CDFILIAL").AsString());
}

TEST_P(ResultTest, EmptyResultKeepsItsColumns) {
  TADOQuery query;
  query.Setup(connection_, "SELECT CDFILIAL, VRTOTAL FROM VENDA WHERE CDFILIAL = :P_CDFILIAL",
              {{"P_CDFILIAL"}});
  query.ParamByName("P_CDFILIAL").SetAsString("none");
  query.Open();
  EXPECT_TRUE(query.IsEmpty());
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ("CDFILIAL:String:4 VRTOTAL:Float:0 ", Describe(query.Packet()));
}

INSTANTIATE_TEST_SUITE_P(BothPaths, ResultTest, ::testing::Values(Path::Sqlite, Path::Odbc),
                         PathName);

}  // namespace
}  // namespace ado::testing
