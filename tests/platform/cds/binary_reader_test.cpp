// Binary data packets made by hand: the value layouts the fixtures do not cover.
#include <gtest/gtest.h>

#include "cds/cds_file.h"
#include "platform/cds/cds_test_util.h"
#include "rtl/datetime.h"
#include "rtl/variant.h"

namespace {

using namespace cds_test;
using rtl::FieldType;
using rtl::Variant;

rtl::DataPacket Read(const PacketBuilder& builder) {
  return cds::ReadCdsBinary(builder.Build(), "made.cds");
}

// BCD digits packed two per byte, most significant first, padded to 16 bytes.
std::string Bcd(int precision, int sign_places, const std::string& digits) {
  std::string packed(16, '\0');
  for (size_t i = 0; i < digits.size(); ++i) {
    packed[i / 2] |= static_cast<char>((digits[i] - '0') << (i % 2 == 0 ? 4 : 0));
  }
  return U8(precision) + U8(sign_places) + packed;
}

TEST(BinaryReader, BcdValuesTakeEighteenBytesWhateverTheirDeclaredSize) {
  PacketBuilder builder;
  builder
      .Field("Price", TypeWord(5, 34), 0,
             {WidthProperty(8), Property("DECIMALS", TypeWord(2, 2), U16(2))})
      .Field("Fmt", TypeWord(18, 8), 0, {WidthProperty(5)})
      .Field("After", TypeWord(1, 4))
      .Row({0, 0, 0}, Bcd(8, 2, "00012345") + Bcd(5, 0x80 | 3, "12345") + U32(7));
  const rtl::DataPacket packet = Read(builder);
  EXPECT_EQ(FieldType::BCD, packet.Fields()[0].type);
  EXPECT_EQ(8, packet.Fields()[0].size);
  EXPECT_EQ(2, packet.Fields()[0].scale);
  EXPECT_EQ(FieldType::FMTBcd, packet.Fields()[1].type);
  EXPECT_EQ(Variant(123.45), packet.Value(0, 0));
  EXPECT_EQ(Variant(-12.345), packet.Value(0, 1));
  EXPECT_EQ(Variant(int64_t{7}), packet.Value(0, 2));
}

TEST(BinaryReader, IntegersOfEverySizeAndSign) {
  PacketBuilder builder;
  builder.Field("I1", TypeWord(1, 1))
      .Field("I2", TypeWord(1, 2))
      .Field("I8", TypeWord(1, 8))
      .Field("U2", TypeWord(2, 2))
      .Field("U4", TypeWord(2, 4))
      .Row({0, 0, 0, 0, 0},
           U8(0xFF) + U16(0x8000) + Le(0xFFFFFFFFFFFFFFFE, 8) + U16(0xFFFF) + U32(0xFFFFFFFF));
  const rtl::DataPacket packet = Read(builder);
  EXPECT_EQ(FieldType::Shortint, packet.Fields()[0].type);
  EXPECT_EQ(FieldType::Largeint, packet.Fields()[2].type);
  EXPECT_EQ(FieldType::Word, packet.Fields()[3].type);
  EXPECT_EQ(Variant(int64_t{-1}), packet.Value(0, 0));
  EXPECT_EQ(Variant(int64_t{-32768}), packet.Value(0, 1));
  EXPECT_EQ(Variant(int64_t{-2}), packet.Value(0, 2));
  EXPECT_EQ(Variant(int64_t{65535}), packet.Value(0, 3));
  EXPECT_EQ(Variant(int64_t{4294967295}), packet.Value(0, 4));
}

TEST(BinaryReader, FloatsSinglesAndExtendeds) {
  // 80-bit 1.5: mantissa 0xC000000000000000, exponent 0x3FFF; -0.75 the same, one lower, signed.
  const std::string one_and_half = Le(0xC000000000000000, 8) + U16(0x3FFF);
  const std::string minus_three_quarters = Le(0xC000000000000000, 8) + U16(0xBFFE);
  float single = 0.1f;
  std::string single_bytes(4, '\0');
  std::memcpy(&single_bytes[0], &single, 4);
  PacketBuilder builder;
  builder.Field("E", TypeWord(4, 10))
      .Field("E2", TypeWord(4, 10))
      .Field("S", TypeWord(27, 4))
      .Row({0, 0, 0}, one_and_half + minus_three_quarters + single_bytes);
  const rtl::DataPacket packet = Read(builder);
  EXPECT_EQ(FieldType::Extended, packet.Fields()[0].type);
  EXPECT_EQ(FieldType::Single, packet.Fields()[2].type);
  EXPECT_EQ(Variant(1.5), packet.Value(0, 0));
  EXPECT_EQ(Variant(-0.75), packet.Value(0, 1));
  EXPECT_EQ(Variant(static_cast<double>(0.1f)), packet.Value(0, 2));
}

TEST(BinaryReader, DatesTimesAndCalendarRecords) {
  PacketBuilder builder;
  builder.Field("D", TypeWord(6, 4))
      .Field("Empty", TypeWord(6, 4))
      .Field("T", TypeWord(7, 4))
      .Field("TS", TypeWord(17, 16))
      .Row({0, 0, 0, 0}, U32(1) + U32(0) + U32(45296789) + U16(2023) + U16(12) + U16(31) + U16(23) +
                             U16(59) + U16(59) + U32(999));
  const rtl::DataPacket packet = Read(builder);
  EXPECT_EQ(FieldType::TimeStamp, packet.Fields()[3].type);
  EXPECT_EQ(Variant::FromDateTime(rtl::EncodeDate(1, 1, 1)), packet.Value(0, 0));
  EXPECT_TRUE(packet.Value(0, 1).IsNull());  // day 0 is an empty date
  EXPECT_EQ(Variant::FromDateTime(rtl::EncodeTime(12, 34, 56, 789)), packet.Value(0, 2));
  EXPECT_EQ(Variant::FromDateTime(rtl::EncodeDate(2023, 12, 31) + rtl::EncodeTime(23, 59, 59, 999)),
            packet.Value(0, 3));
}

TEST(BinaryReader, TextsFromTheCodePageAndUtf16) {
  PacketBuilder builder;
  builder.Field("S", TypeWord(9, 1, true), 0, {WidthProperty(10)})
      .Field("Fixed", TypeWord(9, 6))
      .Field("W", TypeWord(10, 2, true), 0, {WidthProperty(8)})
      .Field("M", TypeWord(11, 4, true), 0, {SubtypeProperty("Text")})
      .Field("WM", TypeWord(11, 4, true), 0, {SubtypeProperty("WideText")})
      .Row({0, 0, 0, 0, 0}, Prefixed1("Jo\xE3o \x80") + std::string("ab\0\0\0\0", 6) + U16(4) +
                                "\xE5\x65\x2C\x67" + U32(3) + "\xC7\xE3o" + U32(2) + "\xA9\x03");
  const rtl::DataPacket packet = Read(builder);
  EXPECT_EQ(FieldType::WideString, packet.Fields()[2].type);
  EXPECT_EQ(4, packet.Fields()[2].size);
  EXPECT_EQ(FieldType::WideMemo, packet.Fields()[4].type);
  EXPECT_EQ(Variant("João €"), packet.Value(0, 0));
  EXPECT_EQ(Variant("ab"), packet.Value(0, 1));
  EXPECT_EQ(Variant("日本"), packet.Value(0, 2));
  EXPECT_EQ(Variant("Ção"), packet.Value(0, 3));
  EXPECT_EQ(Variant("Ω"), packet.Value(0, 4));
}

TEST(BinaryReader, AttributesLongNamesAndUnknownFlags) {
  PacketBuilder builder;
  builder
      .Field("Short", TypeWord(1, 4), 0x10 | 0x04 | 0x01,
             {Property("FIELDNAME", TypeWord(9, 2, true), U16(6) + std::string("Longo\0", 6))})
      .Row({1}, "");
  const rtl::DataPacket packet = Read(builder);
  EXPECT_EQ("Longo", packet.Fields()[0].name);
  EXPECT_TRUE(packet.Fields()[0].required);
  EXPECT_TRUE(packet.Fields()[0].hidden);
  EXPECT_FALSE(packet.Fields()[0].readonly);
  EXPECT_TRUE(packet.Value(0, 0).IsNull());
}

TEST(BinaryReader, ChangeLogChainsDeletionsAndInsertions) {
  // Row 1 original, row 2 modifies it (Name only), row 3 modifies row 2 (Qty only), row 4 is
  // deleted, row 5 is inserted with Qty left unchanged (so NULL).
  PacketBuilder builder;
  builder.Field("Name", TypeWord(9, 1, true), 0, {WidthProperty(10)})
      .Field("Qty", TypeWord(1, 4))
      .PacketProperty(ChangeLogProperty({2, 1, 8, 3, 2, 8, 5, 0, 4}))
      .Row({0, 0}, Prefixed1("a") + U32(1), 0x01)
      .Row({0, 2}, Prefixed1("b"), 0x01 | 0x08)
      .Row({2, 0}, U32(3), 0x08)
      .Row({0, 0}, Prefixed1("gone") + U32(9), 0x02)
      .Row({0, 2}, Prefixed1("new"), 0x04)
      .Row({0, 0}, Prefixed1("unused") + U32(0), 0x20);
  const rtl::DataPacket packet = Read(builder);
  ASSERT_EQ(2u, packet.RowCount());
  EXPECT_EQ(Variant("b"), packet.Value(0, 0));
  EXPECT_EQ(Variant(int64_t{3}), packet.Value(0, 1));
  EXPECT_EQ(Variant("new"), packet.Value(1, 0));
  EXPECT_TRUE(packet.Value(1, 1).IsNull());
}

}  // namespace
