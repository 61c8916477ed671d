// The fixture tables, each saved by the original platform as a binary file and an XML twin.
#include <gtest/gtest.h>

#include "cds/cds_file.h"
#include "platform/cds/cds_test_util.h"
#include "rtl/datetime.h"
#include "rtl/variant.h"

namespace {

using cds_test::Difference;
using cds_test::FixturePath;
using rtl::FieldType;
using rtl::Variant;

rtl::DataPacket Read(const std::string& name) {
  return cds::ReadCdsFile(FixturePath(name));
}

Variant At(const rtl::DataPacket& packet, size_t row, const std::string& field) {
  const int index = packet.FieldIndex(field);
  EXPECT_GE(index, 0) << field;
  return packet.Value(row, static_cast<size_t>(index));
}

class FixtureTwins : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureTwins, BinaryAndXmlHoldTheSameFieldsAndValues) {
  const std::string name = GetParam();
  const rtl::DataPacket binary = Read(name + ".cds");
  const rtl::DataPacket xml = Read(name + ".xml");
  EXPECT_GT(binary.RowCount(), 0u);
  // The XML twins carry floats to 15 significant digits (134.85 for 134.85000000000002).
  EXPECT_EQ("", Difference(binary, xml, /*float_digits15=*/true));
}

INSTANTIATE_TEST_SUITE_P(AllFixtures, FixtureTwins,
                         ::testing::Values("country", "customer", "orders", "reservat",
                                           "jvdbgrid_country"));

TEST(Fixtures, CountryHoldsStringsOfWidth24AndDoubles) {
  const rtl::DataPacket packet = Read("country.cds");
  ASSERT_EQ(5u, packet.FieldCount());
  ASSERT_EQ(18u, packet.RowCount());
  EXPECT_EQ(FieldType::String, packet.Fields()[0].type);
  EXPECT_EQ(24, packet.Fields()[0].size);
  EXPECT_EQ(FieldType::Float, packet.Fields()[3].type);
  EXPECT_EQ(Variant("Argentina"), At(packet, 0, "Name"));
  EXPECT_EQ(Variant(2777815.0), At(packet, 0, "Area"));
  EXPECT_EQ(Variant("Venezuela"), At(packet, 17, "Name"));
}

TEST(Fixtures, CustomerTimestampsAndNulls) {
  const rtl::DataPacket packet = Read("customer.cds");
  ASSERT_EQ(13u, packet.FieldCount());
  ASSERT_EQ(55u, packet.RowCount());
  EXPECT_EQ(FieldType::DateTime, packet.Fields()[12].type);
  const rtl::TDateTime expected = rtl::EncodeDate(1995, 2, 2) + rtl::EncodeTime(1, 5, 3, 0);
  EXPECT_EQ(Variant::FromDateTime(expected), At(packet, 0, "LastInvoiceDate"));
  EXPECT_EQ(Variant(8.5), At(packet, 0, "TaxRate"));
  EXPECT_TRUE(At(packet, 1, "Addr2").IsNull());
  EXPECT_TRUE(At(packet, 1, "State").IsNull());
  EXPECT_EQ(Variant("Unisco"), At(packet, 1, "Company"));
}

TEST(Fixtures, OrdersRequiredFieldsMoneyAndMidnightTimestamps) {
  const rtl::DataPacket packet = Read("orders.cds");
  ASSERT_EQ(21u, packet.FieldCount());
  ASSERT_EQ(205u, packet.RowCount());
  const rtl::FieldDef& cust_no = packet.Fields()[1];
  EXPECT_TRUE(cust_no.required);
  EXPECT_FALSE(packet.Fields()[0].required);
  const rtl::FieldDef& items_total = packet.Fields()[packet.FieldIndex("ItemsTotal")];
  EXPECT_EQ(FieldType::Currency, items_total.type);
  EXPECT_EQ("Money", items_total.subtype);
  EXPECT_EQ(Variant::FromDateTime(rtl::EncodeDate(1988, 4, 12)), At(packet, 0, "SaleDate"));
  EXPECT_EQ(Variant::FromDateTime(rtl::EncodeDate(1988, 5, 3) + 0.5), At(packet, 0, "ShipDate"));
  EXPECT_EQ(Variant(int64_t{114}), At(packet, 0, "EmpNo"));
}

TEST(Fixtures, ReservatAutoincDatesMemoAndBoolean) {
  const rtl::DataPacket packet = Read("reservat.cds");
  ASSERT_EQ(11u, packet.FieldCount());
  ASSERT_EQ(100u, packet.RowCount());
  const rtl::FieldDef& res_no = packet.Fields()[0];
  EXPECT_EQ(FieldType::AutoInc, res_no.type);
  EXPECT_TRUE(res_no.readonly);
  EXPECT_EQ("Autoinc", res_no.subtype);
  EXPECT_EQ(FieldType::Memo, packet.Fields()[packet.FieldIndex("Pay_Notes")].type);
  EXPECT_EQ(FieldType::Date, packet.Fields()[packet.FieldIndex("Card_Exp")].type);
  EXPECT_EQ(Variant(int64_t{9}), At(packet, 0, "ResNo"));
  EXPECT_EQ(Variant::FromDateTime(rtl::EncodeDate(1996, 11, 30)), At(packet, 0, "Card_Exp"));
  EXPECT_EQ(Variant(true), At(packet, 0, "Paid"));
  EXPECT_TRUE(At(packet, 0, "Pay_Notes").IsNull());
}

TEST(Fixtures, ChangeLogLeavesEighteenCurrentRowsWithTheModifiedRecordInPlace) {
  for (const char* name : {"jvdbgrid_country.cds", "jvdbgrid_country.xml"}) {
    SCOPED_TRACE(name);
    const rtl::DataPacket packet = Read(name);
    ASSERT_EQ(18u, packet.RowCount());
    EXPECT_EQ(FieldType::Memo, packet.Fields()[5].type);
    // Row 19 modifies row 1: the new version replaces the old one where it stood.
    EXPECT_EQ(Variant("Argentina"), At(packet, 0, "Name"));
    EXPECT_EQ(Variant("This is memo line 1\r\nThis is memo line 2\r\nThis is memo line 3\r\n"
                      "This is memo line 4\r\n"),
              At(packet, 0, "Text"));
    EXPECT_EQ(Variant("This is memo 2"), At(packet, 1, "Text"));
    EXPECT_EQ(Variant("Venezuela"), At(packet, 17, "Name"));
  }
}

}  // namespace
