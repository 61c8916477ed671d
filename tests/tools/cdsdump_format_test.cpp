// The tab-separated text cdsdump prints.
#include <gtest/gtest.h>

#include <sstream>

#include "cds/cds_file.h"
#include "cds/tsv_dump.h"
#include "platform/cds/cds_test_util.h"
#include "rtl/datetime.h"

namespace {

using rtl::FieldType;
using rtl::Variant;

std::string Format(FieldType type, const Variant& value) {
  rtl::FieldDef def;
  def.name = "F";
  def.type = type;
  return cds::FormatTsvValue(def, value);
}

TEST(CdsDumpFormat, NullsDatesAndTimes) {
  const rtl::TDateTime day = rtl::EncodeDate(2024, 2, 9);
  EXPECT_EQ("\\N", Format(FieldType::String, Variant::Null()));
  EXPECT_EQ("\\N", Format(FieldType::Integer, Variant()));
  EXPECT_EQ("2024-02-09", Format(FieldType::Date, Variant::FromDateTime(day)));
  EXPECT_EQ("2024-02-09 00:00:00", Format(FieldType::DateTime, Variant::FromDateTime(day)));
  EXPECT_EQ("2024-02-09 13:04:05",
            Format(FieldType::DateTime, Variant::FromDateTime(day + rtl::EncodeTime(13, 4, 5, 0))));
  EXPECT_EQ(
      "2024-02-09 13:04:05.007",
      Format(FieldType::TimeStamp, Variant::FromDateTime(day + rtl::EncodeTime(13, 4, 5, 7))));
  EXPECT_EQ("08:30:00",
            Format(FieldType::Time, Variant::FromDateTime(rtl::EncodeTime(8, 30, 0, 0))));
  EXPECT_EQ("0099-12-31",
            Format(FieldType::Date, Variant::FromDateTime(rtl::EncodeDate(99, 12, 31))));
}

TEST(CdsDumpFormat, NumbersBooleansAndBlobs) {
  EXPECT_EQ("0.30000000000000004", Format(FieldType::Float, Variant(0.1 + 0.2)));
  EXPECT_EQ("2777815", Format(FieldType::Float, Variant(2777815.0)));
  EXPECT_EQ("134.85000000000002", Format(FieldType::Currency, Variant(134.85000000000002)));
  EXPECT_EQ("1e+300", Format(FieldType::Extended, Variant(1e300)));
  EXPECT_EQ("0.1", Format(FieldType::Single, Variant(static_cast<double>(0.1f))));
  EXPECT_EQ("-12.5", Format(FieldType::BCD, Variant(-12.5)));
  EXPECT_EQ("-9007199254740993", Format(FieldType::Largeint, Variant(int64_t{-9007199254740993})));
  EXPECT_EQ("TRUE", Format(FieldType::Boolean, Variant(true)));
  EXPECT_EQ("FALSE", Format(FieldType::Boolean, Variant(false)));
  EXPECT_EQ("<6 bytes>", Format(FieldType::Blob, Variant(std::string("\0\1\2\3\4\5", 6))));
  EXPECT_EQ("<0 bytes>", Format(FieldType::Graphic, Variant("")));
}

TEST(CdsDumpFormat, FloatsArePlainExactDecimals) {
  std::string printed;
  for (double value : {33000000.0, 800000.0, 0.1, 1e-7, -123456789012345.6, 1e15}) {
    printed += Format(FieldType::Float, Variant(value)) + " ";
  }
  printed += Format(FieldType::Single, Variant(static_cast<double>(2.5e7f)));
  EXPECT_EQ("33000000 800000 0.1 0.0000001 -123456789012345.6 1e+15 25000000", printed);
}

TEST(CdsDumpFormat, TextsStayOnOneLine) {
  EXPECT_EQ("a\\tb\\r\\nc\\\\N", Format(FieldType::Memo, Variant("a\tb\r\nc\\N")));
  EXPECT_EQ("Açaí", Format(FieldType::String, Variant("Açaí")));
}

TEST(CdsDumpFormat, CurrentRowsOfATableWithAChangeLog) {
  const rtl::DataPacket packet = cds::ReadCdsFile(cds_test::FixturePath("jvdbgrid_country.cds"));
  std::ostringstream out;
  cds::WriteTsv(packet, out);
  std::istringstream lines(out.str());
  std::string header, first, line;
  std::getline(lines, header);
  std::getline(lines, first);
  int rows = 1;
  while (std::getline(lines, line)) ++rows;
  EXPECT_EQ("Name\tCapital\tContinent\tArea\tPopulation\tText", header);
  EXPECT_EQ(
      "Argentina\tBuenos Aires\tSouth America\t2777815\t32300003\tThis is memo line 1\\r\\n"
      "This is memo line 2\\r\\nThis is memo line 3\\r\\nThis is memo line 4\\r\\n",
      first);
  EXPECT_EQ(18, rows);
}

TEST(CdsDumpFormat, NullsInAFixtureRow) {
  const rtl::DataPacket packet = cds::ReadCdsFile(cds_test::FixturePath("customer.xml"));
  std::ostringstream out;
  cds::WriteTsv(rtl::DataPacket(packet.Fields(), {packet.Rows()[1]}), out);
  EXPECT_EQ(
      "CustNo\tCompany\tAddr1\tAddr2\tCity\tState\tZip\tCountry\tPhone\tFAX\tTaxRate\tContact\t"
      "LastInvoiceDate\n1231\tUnisco\tPO Box Z-547\t\\N\tFreeport\t\\N\t\\N\tBahamas\t"
      "809-555-3915\t809-555-4958\t0\tGeorge Weathers\t1994-11-17 14:10:33\n",
      out.str());
}

}  // namespace
