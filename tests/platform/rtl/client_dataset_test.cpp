#include "rtl/client_dataset.h"

#include <gtest/gtest.h>

#include "rtl/errors.h"

namespace rtl {
namespace {

DataPacket Orders() {
  return DataPacket({{"NRVENDAREST", FieldType::String, 10},
                     {"QTITENS", FieldType::Integer},
                     {"VRTOTAL", FieldType::Float},
                     {"IDSTATUS", FieldType::String, 1}},
                    {{Variant("A1"), Variant(2), Variant(10.5), Variant("S")},
                     {Variant("a1"), Variant(3), Variant(3.0), Variant("s")},
                     {Variant("B2"), Variant::Null(), Variant(7.25), Variant::Null()}});
}

// The rows from the current one to the end, as "value|value;" per row.
std::string Walk(TClientDataSet& table) {
  std::string text;
  for (; !table.Eof(); table.Next()) {
    for (int i = 0; i < table.FieldCount(); ++i) {
      text += (i ? "|" : "") + (table.Fields(i).IsNull() ? "NULL" : table.Fields(i).AsString());
    }
    text += ";";
  }
  return text;
}

TEST(TableLoading, APacketReplacesFieldsAndRows) {
  TClientDataSet table("cdsPedidos");
  table.SetData(Variant(Orders()));
  EXPECT_TRUE(table.Active());
  EXPECT_EQ(3, table.RecordCount());
  EXPECT_EQ(1, table.RecNo());
  EXPECT_EQ("A1|2|10.5|S;a1|3|3|s;B2|NULL|7.25|NULL;", Walk(table));
  EXPECT_TRUE(table.Eof());
  table.SetData(Variant(DataPacket({{"X", FieldType::Integer}}, {{Variant(9)}})));
  EXPECT_EQ(1, table.FieldCount());
  EXPECT_EQ("9;", Walk(table));
}

TEST(TableLoading, NonPacketFailsWithItsOwnText) {
  TClientDataSet table("cdsPedidos");
  table.SetData(Variant(Orders()));
  try {
    table.SetData(Variant("Timeout expired"));
    FAIL() << "a text was loaded";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ("Timeout expired", e.Message());
  }
  EXPECT_EQ(3, table.RecordCount());  // the failed load left the contents alone
  EXPECT_THROW(table.SetData(Variant()), EDatabaseError);
  EXPECT_THROW(table.SetData(Variant::Array(3)), EDatabaseError);
}

TEST(TableLoading, DataHandsBackWhatWasLoadedAndPosted) {
  TClientDataSet table;
  table.SetData(Variant(Orders()));
  EXPECT_EQ(Orders(), table.Packet());
  table.Append();
  table.FieldByName("NRVENDAREST").SetAsString("C3");
  table.Post();
  const DataPacket after = table.Data().AsPacket();
  ASSERT_EQ(4u, after.RowCount());
  EXPECT_EQ(Variant("C3"), after.Value(3, 0));
  EXPECT_TRUE(after.Value(3, 2).IsNull());
}

TEST(TableNavigation, EmptyTableIsAtEndAndReadsNulls) {
  TClientDataSet table;
  table.SetData(Variant(DataPacket({{"A", FieldType::Float}}, {})));
  EXPECT_TRUE(table.Eof());
  EXPECT_TRUE(table.IsEmpty());
  EXPECT_EQ(0, table.RecNo());
  EXPECT_TRUE(table.FieldByName("A").IsNull());
  EXPECT_EQ(0.0, table.FieldByName("A").AsFloat());
  table.First();
  EXPECT_TRUE(table.Eof());
}

TEST(TableNavigation, NextFromTheLastRowSetsEofAndFirstClearsIt) {
  TClientDataSet table;
  table.SetData(Variant(Orders()));
  table.Next();
  table.Next();
  EXPECT_FALSE(table.Eof());
  EXPECT_EQ(3, table.RecNo());
  table.Next();
  EXPECT_TRUE(table.Eof());
  EXPECT_EQ("B2", table.FieldByName("NRVENDAREST").AsString());  // still on the last row
  table.First();
  EXPECT_FALSE(table.Eof());
  EXPECT_EQ("A1", table.FieldByName("NRVENDAREST").AsString());
}

TEST(TableNavigation, ClosedTableRefusesWorkAndReportsNothing) {
  TClientDataSet table("cdsX");
  EXPECT_FALSE(table.Active());
  EXPECT_TRUE(table.Eof());
  EXPECT_EQ(0, table.RecordCount());
  EXPECT_THROW(table.First(), EDatabaseError);
  EXPECT_THROW(table.Append(), EDatabaseError);
  table.SetData(Variant(Orders()));
  table.Close();
  EXPECT_EQ(0, table.RecordCount());
  EXPECT_THROW(table.FieldByName("VRTOTAL").AsFloat(), EDatabaseError);
}

TEST(TableFields, ByNameWithTypedReadsAndClearErrors) {
  TClientDataSet table("cdsPedidos");
  table.SetData(Variant(Orders()));
  EXPECT_EQ(2, table.FieldByName("QTITENS").AsInteger());
  EXPECT_EQ(10.5, table.FieldByName("vrtotal").AsFloat());  // names as the database takes them
  EXPECT_EQ(nullptr, table.FindField("NOPE"));
  try {
    table.FieldByName("NOPE");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ("cdsPedidos: Field 'NOPE' not found", e.Message());
  }
  EXPECT_THROW(table.FieldByName("NRVENDAREST").AsFloat(), EConvertError);
}

TEST(TableEditing, AppendPostAndCancel) {
  TClientDataSet table;
  table.SetData(Variant(Orders()));
  table.Append();
  EXPECT_EQ(3, table.RecordCount());
  table.FieldByName("NRVENDAREST").SetAsString("C3");
  table.Cancel();
  EXPECT_EQ(3, table.RecordCount());
  table.Append();
  table.FieldByName("NRVENDAREST").SetAsString("C3");
  table.FieldByName("QTITENS").SetValue(Variant("4"));
  table.Post();
  EXPECT_EQ(4, table.RecordCount());
  EXPECT_EQ(4, table.RecNo());
  EXPECT_EQ(Variant(int64_t{4}), table.FieldByName("QTITENS").Value());
}

TEST(TableEditing, EditChangesTheCurrentRowOnlyWhenPosted) {
  TClientDataSet table;
  table.SetData(Variant(Orders()));
  table.Next();
  table.Edit();
  table.FieldByName("VRTOTAL").SetValue(Variant("12.5"));
  EXPECT_EQ(Variant(12.5), table.FieldByName("VRTOTAL").Value());
  table.Cancel();
  EXPECT_EQ(3.0, table.FieldByName("VRTOTAL").AsFloat());
  table.Edit();
  table.FieldByName("VRTOTAL").SetAsFloat(99);
  table.FieldByName("IDSTATUS").Clear();
  table.Post();
  table.First();
  EXPECT_EQ("A1|2|10.5|S;a1|3|99|NULL;B2|NULL|7.25|NULL;", Walk(table));
}

TEST(TableEditing, MovingAwayPostsThePendingEdit) {
  TClientDataSet table;
  table.SetData(Variant(Orders()));
  table.Edit();
  table.FieldByName("IDSTATUS").SetAsString("X");
  table.Next();
  table.First();
  EXPECT_EQ("X", table.FieldByName("IDSTATUS").AsString());
}

TEST(TableEditing, WritesOutsideEditModeAndBadValuesFail) {
  TClientDataSet table("cdsPedidos");
  table.SetData(Variant(Orders()));
  EXPECT_THROW(table.FieldByName("VRTOTAL").SetAsFloat(1), EDatabaseError);
  table.Edit();
  EXPECT_THROW(table.FieldByName("VRTOTAL").SetValue(Variant("12,5")), EConvertError);
  EXPECT_THROW(table.FieldByName("QTITENS").SetValue(Variant(1.5)), EConvertError);
}

TEST(TableEditing, ValuesAreConvertedToTheFieldType) {
  TClientDataSet table;
  table.DeclareFields({{"S", FieldType::String, 20},
                       {"F", FieldType::Float},
                       {"I", FieldType::Integer},
                       {"D", FieldType::DateTime},
                       {"B", FieldType::Boolean}});
  table.CreateDataSet();
  table.Append();
  table.FieldByName("S").SetAsFloat(12.5);
  table.FieldByName("F").SetAsString(" 12.5");
  table.FieldByName("I").SetAsFloat(7);
  table.FieldByName("D").SetAsString("2024-03-05 10:00:00");
  table.FieldByName("B").SetAsString("true");
  table.Post();
  EXPECT_EQ(Variant("12.5"), table.FieldByName("S").Value());
  EXPECT_EQ(Variant(12.5), table.FieldByName("F").Value());
  EXPECT_EQ(Variant(int64_t{7}), table.FieldByName("I").Value());
  EXPECT_EQ(Variant::FromDateTime(EncodeDateTime({2024, 3, 5, 10, 0, 0, 0})),
            table.FieldByName("D").Value());
  EXPECT_EQ(Variant(true), table.FieldByName("B").Value());
}

TEST(TableLocate, FindsExactCaseSensitiveTextsAndNumbersAsNumbers) {
  TClientDataSet table;
  table.SetData(Variant(Orders()));
  EXPECT_TRUE(table.Locate("NRVENDAREST", Variant("a1")));
  EXPECT_EQ(2, table.RecNo());
  EXPECT_TRUE(table.Locate("NRVENDAREST", Variant("A1")));
  EXPECT_EQ(1, table.RecNo());
  EXPECT_FALSE(table.Locate("NRVENDAREST", Variant("A")));
  EXPECT_FALSE(table.Locate("NRVENDAREST", Variant("A1 ")));
  EXPECT_EQ(1, table.RecNo());  // a miss stays put
  EXPECT_TRUE(table.Locate("VRTOTAL", Variant(3)));
  EXPECT_EQ(2, table.RecNo());
  EXPECT_TRUE(table.Locate("QTITENS", Variant("3")));
  EXPECT_EQ(2, table.RecNo());
  EXPECT_TRUE(table.Locate("QTITENS", Variant::Null()));
  EXPECT_EQ(3, table.RecNo());
  EXPECT_FALSE(table.Locate("VRTOTAL", Variant("abc")));
  EXPECT_THROW(table.Locate("NOPE", Variant(1)), EDatabaseError);
}

TEST(TableLocate, AfterEofFindsAnEarlierRowAndClearsEof) {
  TClientDataSet table;
  table.SetData(Variant(Orders()));
  while (!table.Eof()) table.Next();
  EXPECT_TRUE(table.Locate("NRVENDAREST", Variant("A1")));
  EXPECT_FALSE(table.Eof());
}

}  // namespace
}  // namespace rtl
