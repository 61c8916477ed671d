// Writing table files and reading them back.
#include <gtest/gtest.h>

#include "cds/cds_error.h"
#include "cds/cds_file.h"
#include "platform/cds/cds_test_util.h"
#include "rtl/client_dataset.h"
#include "rtl/datetime.h"
#include "rtl/variant.h"

namespace {

using cds_test::Difference;
using rtl::FieldDef;
using rtl::FieldType;
using rtl::Variant;

FieldDef Def(const std::string& name, FieldType type, int size = 0, int scale = 0) {
  FieldDef def;
  def.name = name;
  def.type = type;
  def.size = size;
  def.scale = scale;
  return def;
}

// One field of every type, a row of awkward values and a row of NULLs.
rtl::DataPacket EveryType() {
  std::vector<FieldDef> fields = {
      Def("S", FieldType::String, 10),
      Def("W", FieldType::WideString, 8),
      Def("I1", FieldType::Shortint),
      Def("I2", FieldType::Smallint),
      Def("I4", FieldType::Integer),
      Def("I8", FieldType::Largeint),
      Def("U1", FieldType::Byte),
      Def("U2", FieldType::Word),
      Def("U4", FieldType::LongWord),
      Def("Auto", FieldType::AutoInc),
      Def("B", FieldType::Boolean),
      Def("F", FieldType::Float),
      Def("C", FieldType::Currency),
      Def("E", FieldType::Extended),
      Def("Sg", FieldType::Single),
      Def("Bcd", FieldType::BCD, 10, 2),
      Def("Fmt", FieldType::FMTBcd, 18, 4),
      Def("D", FieldType::Date),
      Def("T", FieldType::Time),
      Def("DT", FieldType::DateTime),
      Def("TS", FieldType::TimeStamp),
      Def("M", FieldType::Memo),
      Def("WM", FieldType::WideMemo),
      Def("Bl", FieldType::Blob),
      Def("G", FieldType::Graphic),
      Def("By", FieldType::Bytes, 4),
      Def("AFieldNameLongerThanThirtyOneCharacters", FieldType::Integer),
  };
  fields[1].required = true;
  fields[9].readonly = true;
  fields[9].subtype = "Autoinc";
  fields[12].subtype = "Money";
  fields[21].subtype = "Text";
  fields[22].subtype = "WideText";
  fields[23].subtype = "Binary";
  fields[24].subtype = "Graphics";
  fields[3].hidden = true;
  const rtl::TDateTime when = rtl::EncodeDate(2024, 2, 29) + rtl::EncodeTime(23, 59, 58, 7);
  rtl::Row values = {Variant("Açaí & <x>"),
                     Variant("日本語 ½"),
                     Variant(int64_t{-128}),
                     Variant(int64_t{-32768}),
                     Variant(int64_t{2147483647}),
                     Variant(int64_t{-9007199254740993}),
                     Variant(int64_t{255}),
                     Variant(int64_t{65535}),
                     Variant(int64_t{4294967295}),
                     Variant(int64_t{7}),
                     Variant(false),
                     Variant(0.1 + 0.2),
                     Variant(-1234.5678),
                     Variant(1e300),
                     Variant(static_cast<double>(0.1f)),
                     Variant(-12345678.91),
                     Variant(0.0001),
                     Variant::FromDateTime(rtl::EncodeDate(1800, 1, 1)),
                     Variant::FromDateTime(rtl::EncodeTime(10, 0, 0, 5)),
                     Variant::FromDateTime(when),
                     Variant::FromDateTime(when),
                     Variant("line 1\r\nline 2\ttab \"q\" 'a'"),
                     Variant("Ω wide memo"),
                     Variant(std::string("\x00\x01\xFF\x80zz", 6)),
                     Variant(std::string("\x89PNG", 4)),
                     Variant(std::string("\x00\x01", 2)),
                     Variant(int64_t{1})};
  rtl::Row nulls(fields.size(), Variant::Null());
  return rtl::DataPacket(fields, {values, nulls});
}

TEST(RoundTrip, EveryFieldTypeSurvivesTheBinaryForm) {
  const rtl::DataPacket packet = EveryType();
  EXPECT_EQ("", Difference(packet, cds::ReadCdsBinary(cds::WriteCdsBinary(packet), "t.cds")));
}

TEST(RoundTrip, EveryFieldTypeSurvivesTheXmlForm) {
  const rtl::DataPacket packet = EveryType();
  EXPECT_EQ("", Difference(packet, cds::ReadCdsXml(cds::WriteCdsXml(packet), "t.xml")));
}

class FixtureRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureRoundTrip, WrittenFilesReadBackEqualInBothForms) {
  const rtl::DataPacket original = cds::ReadCdsFile(cds_test::FixturePath(GetParam()));
  const std::string binary = cds::WriteCdsBinary(original);
  const std::string xml = cds::WriteCdsXml(original);
  EXPECT_EQ("", Difference(original, cds::ReadCdsBinary(binary, "out.cds")));
  EXPECT_EQ("", Difference(original, cds::ReadCdsXml(xml, "out.xml")));
  EXPECT_EQ("", Difference(original,
                           cds::ReadCdsData(cds::WriteCdsBinary(cds::ReadCdsData(xml, "out.xml")),
                                            "again.cds")));
}

INSTANTIATE_TEST_SUITE_P(AllFixtures, FixtureRoundTrip,
                         ::testing::Values("country.cds", "customer.xml", "orders.cds",
                                           "reservat.xml", "jvdbgrid_country.cds"));

TEST(RoundTrip, WrittenXmlIsDeclaredUtf8AndCarriesNoChangeLog) {
  const std::string xml = cds::WriteCdsXml(EveryType());
  EXPECT_EQ(0u, xml.find("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"));
  EXPECT_NE(std::string::npos, xml.find("Açaí &amp; &lt;x"));
  EXPECT_NE(std::string::npos, xml.find("line 1&#13;&#10;line 2"));
  EXPECT_EQ(std::string::npos, xml.find("RowState"));
}

TEST(RoundTrip, StringFieldsWidenToTheirLongestValue) {
  const rtl::DataPacket packet({Def("S", FieldType::String, 3)}, {{Variant("longer text")}});
  const rtl::DataPacket back = cds::ReadCdsBinary(cds::WriteCdsBinary(packet), "w.cds");
  EXPECT_EQ(11, back.Fields()[0].size);
  EXPECT_EQ(Variant("longer text"), back.Value(0, 0));
}

TEST(RoundTrip, TablesSaveAndLoadThroughFilesInBothForms) {
  cds_test::TempDir dir;
  rtl::TClientDataSet source("cdsSource");
  source.SetData(Variant(cds::ReadCdsFile(cds_test::FixturePath("reservat.cds"))));
  source.SaveToFile(dir.File("r.cds"));
  source.SaveToFile(dir.File("r.xml"), rtl::TClientDataSet::FileFormat::Xml);
  for (const char* name : {"r.cds", "r.xml"}) {
    rtl::TClientDataSet loaded("cdsLoaded");
    loaded.LoadFromFile(dir.File(name));
    EXPECT_EQ(100, loaded.RecordCount()) << name;
    EXPECT_EQ("", Difference(source.Packet(), loaded.Packet())) << name;
  }
}

TEST(RoundTripErrors, ValuesAFileCannotHoldFailNamingFieldAndRow) {
  const rtl::DataPacket too_big({Def("Small", FieldType::Shortint)}, {{Variant(int64_t{300})}});
  try {
    cds::WriteCdsBinary(too_big, "out.cds");
    FAIL() << "no error";
  } catch (const cds::ECdsError& error) {
    EXPECT_STREQ("out.cds: field 'Small', row 1: 300 is out of range for a Shortint field",
                 error.what());
  }
  const rtl::DataPacket not_a_number({Def("F", FieldType::Float)}, {{Variant("abc")}});
  EXPECT_THROW(cds::WriteCdsXml(not_a_number), cds::ECdsError);
  const rtl::DataPacket year_zero({Def("D", FieldType::Date)},
                                  {{Variant::FromDateTime(-700000.0)}});
  EXPECT_THROW(cds::WriteCdsBinary(year_zero), cds::ECdsError);
  EXPECT_THROW(cds::WriteCdsXml(year_zero), cds::ECdsError);
  const rtl::DataPacket blank_name({Def("Unit Price", FieldType::Float)}, {});
  EXPECT_THROW(cds::WriteCdsXml(blank_name), cds::ECdsError);
}

TEST(RoundTripErrors, UnwritablePathRaisesInOutError) {
  cds_test::TempDir dir;
  EXPECT_THROW(cds::WriteCdsFile(dir.File("missing/x.cds"), EveryType(), cds::CdsFormat::Binary),
               rtl::EInOutError);
  EXPECT_THROW(cds::ReadCdsFile(dir.File("absent.cds")), rtl::EInOutError);
}

}  // namespace

namespace {

// The METADATA element of an XML data packet.
std::string MetadataOf(const std::string& xml) {
  const size_t start = xml.find("<METADATA>");
  return xml.substr(start, xml.find("</METADATA>") - start);
}

TEST(RoundTrip, MetadataSurvivesBothForms) {
  const std::string xml =
      R"(<?xml version="1.0" standalone="yes"?><DATAPACKET Version="2.0"><METADATA><FIELDS>)"
      R"(<FIELD attrname="CD" fieldtype="string" WIDTH="4" required="true" PROVFLAGS="7")"
      R"( ORIGIN="CAIXA.CDCAIXA"/><FIELD attrname="NM" fieldtype="string" WIDTH="8")"
      R"( linkfield="true"/><FIELD attrname="OBS" fieldtype="bin.hex" SUBTYPE="Text")"
      R"( WIDTH="30"/></FIELDS><PARAMS DEFAULT_ORDER="2 1" PRIMARY_KEY="1" LCID="1046")"
      R"( MD_NOTA="texto livre"/></METADATA><ROWDATA><ROW CD="001" NM="CAIXA"/></ROWDATA>)"
      R"(</DATAPACKET>)";
  cds::CdsMetadata from_xml;
  const rtl::DataPacket packet = cds::ReadCdsXml(xml, "t.xml", &from_xml);
  const std::string binary = cds::WriteCdsBinary(packet, "t.cds", &from_xml);
  cds::CdsMetadata from_binary;
  const rtl::DataPacket again = cds::ReadCdsBinary(binary, "t.cds", &from_binary);
  EXPECT_EQ(binary, cds::WriteCdsBinary(again, "t.cds", &from_binary));
  EXPECT_EQ(
      R"(<METADATA><FIELDS><FIELD attrname="CD" fieldtype="string" required="true" WIDTH="4")"
      R"( PROVFLAGS="7" ORIGIN="CAIXA.CDCAIXA"/><FIELD attrname="NM" fieldtype="string")"
      R"( WIDTH="8" linkfield="true"/><FIELD attrname="OBS" fieldtype="bin.hex" SUBTYPE="Text")"
      R"( WIDTH="30"/></FIELDS><PARAMS DEFAULT_ORDER="2 1" PRIMARY_KEY="1" LCID="1046")"
      R"( MD_NOTA="texto livre"/>)",
      MetadataOf(cds::WriteCdsXml(again, "t.xml", &from_binary)));
}

}  // namespace
