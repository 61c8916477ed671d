#include "rtl/variant.h"

#include <gtest/gtest.h>

#include "rtl/errors.h"

namespace rtl {
namespace {

template <typename Error, typename Call>
std::string ErrorOf(Call call) {
  try {
    call();
  } catch (const Error& e) {
    return e.Message();
  }
  return "(no error)";
}

TEST(VariantText, EachKindHasItsText) {
  EXPECT_EQ("", Variant().AsString());
  EXPECT_EQ("", Variant::Null().AsString());
  EXPECT_EQ("True", Variant(true).AsString());
  EXPECT_EQ("False", Variant(false).AsString());
  EXPECT_EQ("-42", Variant(-42).AsString());
  EXPECT_EQ("9007199254740993", Variant(int64_t{9007199254740993}).AsString());
  EXPECT_EQ("abc", Variant("abc").AsString());
  EXPECT_EQ("05/03/2024 10:00:00",
            Variant::FromDateTime(EncodeDateTime({2024, 3, 5, 10, 0, 0, 0})).AsString());
}

TEST(VariantText, FloatsUseTheShortestTextThatReadsBack) {
  EXPECT_EQ("0.5", Variant(0.5).AsString());
  EXPECT_EQ("3", Variant(3.0).AsString());
  EXPECT_EQ("-12.75", Variant(-12.75).AsString());
  EXPECT_EQ("0.1", Variant(0.1).AsString());
  EXPECT_EQ("0.30000000000000004", Variant(0.1 + 0.2).AsString());
  EXPECT_EQ("0.29", Variant(0.29).AsString());
  EXPECT_EQ("1500", Variant(1500.0).AsString());
  EXPECT_EQ("0.0001", Variant(0.0001).AsString());
  EXPECT_EQ("0", Variant(0.0).AsString());
  for (double value : {1e20, 1.5e-7, 123456789.123, -0.001, 1e300, 5e-324}) {
    EXPECT_EQ(value, Variant(Variant(value).AsString()).AsFloat()) << value;
  }
}

TEST(VariantNumbers, TextsReadWithDotAndSurroundingBlanks) {
  EXPECT_EQ(12.5, Variant("12.5").AsFloat());
  EXPECT_EQ(12.5, Variant("  12.5 ").AsFloat());
  EXPECT_EQ(-3.0, Variant("-3").AsFloat());
  EXPECT_EQ(1500.0, Variant("1.5e3").AsFloat());
  EXPECT_EQ(0.5, Variant(".5").AsFloat());
  EXPECT_EQ(7, Variant(" 7 ").AsInteger());
  EXPECT_EQ(-9007199254740993, Variant("-9007199254740993").AsInteger());
  EXPECT_EQ(12, Variant("12.0").AsInteger());
}

TEST(VariantNumbers, NonNumbersRaiseConvertErrorsNamingTheText) {
  EXPECT_EQ("'abc' is not a valid floating point value",
            ErrorOf<EConvertError>([] { Variant("abc").AsFloat(); }));
  EXPECT_EQ("'12,5' is not a valid floating point value",
            ErrorOf<EConvertError>([] { Variant("12,5").AsFloat(); }));
  EXPECT_EQ("'' is not a valid floating point value",
            ErrorOf<EConvertError>([] { Variant("").AsFloat(); }));
  EXPECT_EQ("'inf' is not a valid floating point value",
            ErrorOf<EConvertError>([] { Variant("inf").AsFloat(); }));
  EXPECT_EQ("'abc' is not a valid integer value",
            ErrorOf<EConvertError>([] { Variant("abc").AsInteger(); }));
  EXPECT_EQ("'1.5' is not a valid integer value",
            ErrorOf<EConvertError>([] { Variant("1.5").AsInteger(); }));
  EXPECT_EQ("'1.5' is not a valid integer value",
            ErrorOf<EConvertError>([] { Variant(1.5).AsInteger(); }));
  EXPECT_THROW(Variant(1e19).AsInteger(), EConvertError);
}

TEST(VariantNumbers, OtherKindsConvertOrRaiseVariantErrors) {
  EXPECT_EQ(0.0, Variant().AsFloat());
  EXPECT_EQ(1.0, Variant(true).AsFloat());
  EXPECT_EQ(3, Variant(3.0).AsInteger());
  EXPECT_EQ(45351.5, Variant::FromDateTime(45351.5).AsFloat());
  EXPECT_THROW(Variant::Null().AsFloat(), EVariantError);
  EXPECT_THROW(Variant::Null().AsInteger(), EVariantError);
  EXPECT_THROW(Variant::Array(2).AsFloat(), EVariantError);
  EXPECT_THROW(Variant::Array(2).AsString(), EVariantError);
  EXPECT_THROW(Variant(DataPacket()).AsString(), EVariantError);
}

TEST(VariantBooleansAndDates, ConvertFromTextsAndNumbers) {
  EXPECT_TRUE(Variant("TRUE").AsBoolean());
  EXPECT_FALSE(Variant("false").AsBoolean());
  EXPECT_TRUE(Variant("1").AsBoolean());
  EXPECT_FALSE(Variant(0).AsBoolean());
  EXPECT_FALSE(Variant().AsBoolean());
  EXPECT_THROW(Variant("sim").AsBoolean(), EConvertError);
  EXPECT_EQ(EncodeDateTime({2024, 3, 5, 10, 0, 0, 0}), Variant("2024-03-05 10:00:00").AsDateTime());
  EXPECT_EQ(EncodeDateTime({2024, 3, 5, 10, 0, 0, 0}), Variant("05/03/2024 10:00:00").AsDateTime());
  EXPECT_EQ(45000.25, Variant(45000.25).AsDateTime());
  EXPECT_THROW(Variant("tomorrow").AsDateTime(), EConvertError);
}

TEST(VariantPackets, AFailureTextInPlaceOfAPacketRaisesWithThatText) {
  const std::string failure = "[Microsoft][ODBC] Login failed for user 'sa'";
  EXPECT_EQ(failure, ErrorOf<EVariantError>([&] { Variant(failure).AsPacket(); }));
  EXPECT_THROW(Variant().AsPacket(), EVariantError);
  EXPECT_THROW(Variant(5).AsPacket(), EVariantError);
  const DataPacket packet({FieldDef{"A", FieldType::Integer}}, {{Variant(1)}});
  EXPECT_EQ(packet, Variant(packet).AsPacket());
}

TEST(VariantArrays, IndexAndCopyDeeply) {
  Variant results = Variant::Array(10);
  EXPECT_EQ(10u, results.ArrayLength());
  EXPECT_TRUE(results[9].IsEmpty());
  results[0] = Variant("000123");
  Variant copy = results;
  copy[0] = Variant("changed");
  EXPECT_EQ("000123", results[0].AsString());
  EXPECT_THROW(results[10], EVariantError);
  EXPECT_THROW(Variant(1)[0], EVariantError);
  EXPECT_THROW(Variant("x").ArrayLength(), EVariantError);
  EXPECT_EQ("[1, 'x', Null, Empty]",
            DebugString(Variant(std::vector<Variant>{1, "x", Variant::Null(), Variant()})));
}

TEST(VariantEquality, ComparesKindAndValue) {
  EXPECT_EQ(Variant(1), Variant(int64_t{1}));
  EXPECT_EQ(Variant(size_t{1}), Variant(1));
  EXPECT_NE(Variant(1), Variant(1.0));
  EXPECT_NE(Variant("1"), Variant(1));
  EXPECT_NE(Variant(), Variant::Null());
  EXPECT_NE(Variant::Omitted(), Variant());
  EXPECT_EQ(Variant::Omitted(), Variant::Omitted());
  EXPECT_NE(Variant(45000.0), Variant::FromDateTime(45000.0));
  EXPECT_EQ(VarType::Omitted, Variant::Omitted().Type());
  EXPECT_EQ(VarType::DateTime, Variant::FromDateTime(1).Type());
}

}  // namespace
}  // namespace rtl
