#include <gtest/gtest.h>

#include "rtl/client_dataset.h"
#include "rtl/errors.h"

namespace rtl {
namespace {

std::vector<FieldDef> Declared() {
  return {{"CDFILIAL", FieldType::String, 4},
          {"VRPAGO", FieldType::Float},
          {"DTABERTURA", FieldType::DateTime},
          {"IDATIVO", FieldType::Boolean}};
}

template <typename Call>
std::string DatabaseErrorOf(Call call) {
  try {
    call();
  } catch (const EDatabaseError& e) {
    return e.Message();
  }
  return "(no error)";
}

TEST(PersistentFields, PacketColumnsAreMatchedByNameAndConverted) {
  TClientDataSet table("cdsCaixa");
  table.DeclareFields(Declared());
  TField& paid = table.FieldByName("VRPAGO");
  const DataPacket packet(
      {{"EXTRA", FieldType::String, 3},
       {"IDATIVO", FieldType::Integer},
       {"vrpago", FieldType::Integer},
       {"DTABERTURA", FieldType::TimeStamp},
       {"CDFILIAL", FieldType::WideString, 10}},
      {{Variant("x"), Variant(1), Variant(15), Variant::FromDateTime(45000.5), Variant("0001")}});
  table.SetData(Variant(packet));
  EXPECT_EQ(4, table.FieldCount());
  EXPECT_EQ(&paid, &table.FieldByName("VRPAGO"));  // the field object outlives the load
  EXPECT_EQ(Variant(15.0), paid.Value());
  EXPECT_TRUE(table.FieldByName("IDATIVO").AsBoolean());
  EXPECT_EQ(45000.5, table.FieldByName("DTABERTURA").AsDateTime());
  EXPECT_EQ(nullptr, table.FindField("EXTRA"));
  EXPECT_EQ(Declared(), table.FieldDefs());
}

TEST(PersistentFields, AMissingFieldFailsNamingIt) {
  TClientDataSet table("cdsCaixa");
  table.DeclareFields(Declared());
  const DataPacket packet({{"CDFILIAL", FieldType::String, 4},
                           {"DTABERTURA", FieldType::DateTime},
                           {"IDATIVO", FieldType::Boolean}},
                          {});
  EXPECT_EQ("cdsCaixa: Field 'VRPAGO' not found",
            DatabaseErrorOf([&] { table.SetData(Variant(packet)); }));
  EXPECT_FALSE(table.Active());
}

TEST(PersistentFields, AnIncompatibleTypeFailsNamingTheField) {
  struct Case {
    FieldType field, column;
    bool compatible;
  } cases[] = {{FieldType::Float, FieldType::String, false},
               {FieldType::Float, FieldType::Largeint, true},
               {FieldType::Integer, FieldType::BCD, true},
               {FieldType::String, FieldType::Memo, true},
               {FieldType::String, FieldType::Integer, false},
               {FieldType::DateTime, FieldType::Date, true},
               {FieldType::DateTime, FieldType::Float, false},
               {FieldType::Boolean, FieldType::Smallint, true},
               {FieldType::Boolean, FieldType::String, false},
               {FieldType::Blob, FieldType::String, false}};
  for (const Case& c : cases) {
    TClientDataSet table("cds");
    table.DeclareFields({{"F", c.field, 10}});
    const std::string error = DatabaseErrorOf([&] {
      table.SetData(Variant(DataPacket({{"F", c.column, 10}}, {})));
    });
    if (c.compatible) {
      EXPECT_EQ("(no error)", error) << FieldTypeName(c.field) << " <- " << FieldTypeName(c.column);
    } else {
      EXPECT_EQ(std::string("cds: Type mismatch for field 'F', expecting: ") +
                    FieldTypeName(c.field) + " actual: " + FieldTypeName(c.column),
                error);
    }
  }
}

TEST(PersistentFields, LongTextsAreCutToTheWidthInCharactersOnPost) {
  TClientDataSet table;
  table.DeclareFields(Declared());
  table.CreateDataSet();
  table.Append();
  table.FieldByName("CDFILIAL").SetAsString("ÇãoéX");  // five characters, nine bytes
  table.Post();
  EXPECT_EQ("Çãoé", table.FieldByName("CDFILIAL").AsString());
  table.Edit();
  table.FieldByName("CDFILIAL").SetAsString("12345678");
  table.Post();
  EXPECT_EQ("1234", table.FieldByName("CDFILIAL").AsString());
  table.Edit();
  table.FieldByName("CDFILIAL").SetAsString("ab");
  table.Post();
  EXPECT_EQ("ab", table.FieldByName("CDFILIAL").AsString());
}

TEST(PersistentFields, CreateEmptyAndCloseKeepTheDeclaration) {
  TClientDataSet table("cdsVazio");
  EXPECT_THROW(table.CreateDataSet(), EDatabaseError);
  table.DeclareFields(Declared());
  table.CreateDataSet();
  EXPECT_TRUE(table.Active());
  EXPECT_TRUE(table.Eof());
  table.Append();
  table.FieldByName("VRPAGO").SetAsFloat(5);
  table.Post();
  table.Append();
  table.Post();
  EXPECT_EQ(2, table.RecordCount());
  table.EmptyDataSet();
  EXPECT_TRUE(table.Active());
  EXPECT_EQ(0, table.RecordCount());
  table.Close();
  EXPECT_FALSE(table.Active());
  EXPECT_TRUE(table.HasPersistentFields());
  table.CreateDataSet();
  EXPECT_EQ(4, table.FieldCount());
}

TEST(PersistentFields, AValueThatCannotBeConvertedOnLoadFailsNamingTheField) {
  TClientDataSet table("cdsCaixa");
  table.DeclareFields({{"QT", FieldType::Integer}});
  const DataPacket packet({{"QT", FieldType::Float}}, {{Variant(2.5)}});
  EXPECT_EQ("cdsCaixa: Field 'QT': '2.5' is not a valid integer value",
            DatabaseErrorOf([&] { table.SetData(Variant(packet)); }));
}

}  // namespace
}  // namespace rtl
