// XML data packets made by hand: encodings, escapes, value texts and change logs.
#include <gtest/gtest.h>

#include "cds/cds_file.h"
#include "rtl/datetime.h"
#include "rtl/variant.h"

namespace {

using rtl::FieldType;
using rtl::Variant;

std::string Packet(const std::string& declaration, const std::string& fields,
                   const std::string& rows, const std::string& params = "<PARAMS/>") {
  return declaration + "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + fields + "</FIELDS>" +
         params + "</METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

const char kNoEncoding[] = "<?xml version=\"1.0\" standalone=\"yes\"?>";
const char kUtf8[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
const char kNameField[] = "<FIELD attrname=\"Nome\" fieldtype=\"string\" WIDTH=\"20\"/>";

TEST(XmlReader, TextWithoutEncodingDeclarationIsTheCodePage) {
  const rtl::DataPacket packet = cds::ReadCdsXml(
      Packet(kNoEncoding, kNameField, "<ROW Nome=\"Jo\xE3o \x80 &#233;\"/>"), "cp.xml");
  EXPECT_EQ(Variant("João € é"), packet.Value(0, 0));
}

TEST(XmlReader, DeclaredUtf8TextStaysAsItIs) {
  const std::string utf8_row = "<ROW Nome=\"João &amp; Zoë\"/>";
  EXPECT_EQ(Variant("João & Zoë"),
            cds::ReadCdsXml(Packet(kUtf8, kNameField, utf8_row), "u.xml").Value(0, 0));
  EXPECT_EQ(
      Variant("João & Zoë"),
      cds::ReadCdsXml("\xEF\xBB\xBF" + Packet("", kNameField, utf8_row), "bom.xml").Value(0, 0));
}

TEST(XmlReader, LineBreakEscapesInAttributesSurvive) {
  const rtl::DataPacket packet = cds::ReadCdsXml(
      Packet(kNoEncoding, kNameField, "<ROW Nome=\"a&#013;&#010;b&#9;c\"/>"), "e.xml");
  EXPECT_EQ(Variant("a\r\nb\tc"), packet.Value(0, 0));
}

TEST(XmlReader, ValueTextsOfEveryKind) {
  const std::string fields =
      "<FIELD attrname=\"B\" fieldtype=\"boolean\"/><FIELD attrname=\"D\" fieldtype=\"date\"/>"
      "<FIELD attrname=\"T\" fieldtype=\"time\"/><FIELD attrname=\"DT\" fieldtype=\"dateTime\"/>"
      "<FIELD attrname=\"N\" fieldtype=\"fixed\" WIDTH=\"10\" DECIMALS=\"2\"/>"
      "<FIELD attrname=\"Bin\" fieldtype=\"bin.hex\" SUBTYPE=\"Binary\"/>"
      "<FIELD attrname=\"U\" fieldtype=\"string.uni\" WIDTH=\"40\"/>"
      "<FIELD attrname=\"I8\" fieldtype=\"i8\"/>";
  const std::string row =
      "<ROW B=\"true\" D=\"20240229\" T=\"10:00:01500\" DT=\"19950202T01:05:03000\" N=\"-12.5\" "
      "Bin=\"AAH/gA==\" U=\"&#26085;&#26412;\" I8=\"-9007199254740993\"/>"
      "<ROW B=\"FALSE\" DT=\"19880412\"/>";
  const rtl::DataPacket packet = cds::ReadCdsXml(Packet(kUtf8, fields, row), "v.xml");
  EXPECT_EQ(FieldType::BCD, packet.Fields()[4].type);
  EXPECT_EQ(2, packet.Fields()[4].scale);
  EXPECT_EQ(FieldType::Blob, packet.Fields()[5].type);
  EXPECT_EQ(20, packet.Fields()[6].size);
  EXPECT_EQ(Variant(true), packet.Value(0, 0));
  EXPECT_EQ(Variant::FromDateTime(rtl::EncodeDate(2024, 2, 29)), packet.Value(0, 1));
  EXPECT_EQ(Variant::FromDateTime(rtl::EncodeTime(10, 0, 1, 500)), packet.Value(0, 2));
  EXPECT_EQ(Variant::FromDateTime(rtl::EncodeDate(1995, 2, 2) + rtl::EncodeTime(1, 5, 3, 0)),
            packet.Value(0, 3));
  EXPECT_EQ(Variant(-12.5), packet.Value(0, 4));
  EXPECT_EQ(Variant(std::string("\x00\x01\xFF\x80", 4)), packet.Value(0, 5));
  EXPECT_EQ(Variant("日本"), packet.Value(0, 6));
  EXPECT_EQ(Variant(int64_t{-9007199254740993}), packet.Value(0, 7));
  EXPECT_EQ(Variant(false), packet.Value(1, 0));
  EXPECT_TRUE(packet.Value(1, 1).IsNull());
  EXPECT_EQ(Variant::FromDateTime(rtl::EncodeDate(1988, 4, 12)), packet.Value(1, 3));
}

TEST(XmlReader, ModifiedRowsKeepOmittedFieldsFromTheirOriginal) {
  const std::string fields = std::string(kNameField) + "<FIELD attrname=\"Q\" fieldtype=\"i4\"/>";
  const std::string rows =
      "<ROW RowState=\"1\" Nome=\"a\" Q=\"1\"/><ROW RowState=\"2\" Nome=\"x\"/>"
      "<ROW RowState=\"8\" Q=\"5\"/><ROW RowState=\"4\" Nome=\"n\"/>";
  const rtl::DataPacket packet = cds::ReadCdsXml(
      Packet(kUtf8, fields, rows, "<PARAMS CHANGE_LOG=\"3 1 8 4 0 4\"/>"), "log.xml");
  ASSERT_EQ(2u, packet.RowCount());
  EXPECT_EQ(Variant("a"), packet.Value(0, 0));
  EXPECT_EQ(Variant(int64_t{5}), packet.Value(0, 1));
  EXPECT_EQ(Variant("n"), packet.Value(1, 0));
  EXPECT_TRUE(packet.Value(1, 1).IsNull());
}

TEST(XmlReader, FieldAttributes) {
  const rtl::DataPacket packet = cds::ReadCdsXml(
      Packet(kUtf8,
             "<FIELD attrname=\"Id\" fieldtype=\"i4\" readonly=\"true\" required=\"true\" "
             "SUBTYPE=\"Autoinc\"/><FIELD attrname=\"V\" fieldtype=\"r8\" SUBTYPE=\"Money\"/>",
             ""),
      "a.xml");
  EXPECT_EQ(FieldType::AutoInc, packet.Fields()[0].type);
  EXPECT_TRUE(packet.Fields()[0].readonly);
  EXPECT_TRUE(packet.Fields()[0].required);
  EXPECT_EQ(FieldType::Currency, packet.Fields()[1].type);
  EXPECT_EQ(0u, packet.RowCount());
}

}  // namespace
