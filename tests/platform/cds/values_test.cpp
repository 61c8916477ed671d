// Value encodings of table files: BCD, 80-bit floats, base64 and date-time texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "cds/base64.h"
#include "cds/bcd.h"
#include "cds/day_time.h"
#include "cds/extended_float.h"
#include "cds/xml_datetime.h"
#include "rtl/datetime.h"

namespace {

const unsigned char* Bytes(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

double BcdRoundTrip(double value, int precision, int places) {
  std::string bytes;
  EXPECT_TRUE(cds::EncodeBcd(value, precision, places, &bytes)) << value;
  EXPECT_EQ(18u, bytes.size());
  double back = 0;
  EXPECT_TRUE(cds::DecodeBcd(Bytes(bytes), &back));
  return back;
}

TEST(Bcd, EncodesDigitsMostSignificantFirstWithSignAndPlaces) {
  std::string bytes;
  ASSERT_TRUE(cds::EncodeBcd(-123.45, 6, 2, &bytes));
  EXPECT_EQ(6, bytes[0]);
  EXPECT_EQ(static_cast<char>(0x82), bytes[1]);
  EXPECT_EQ(std::string("\x01\x23\x45", 3), bytes.substr(2, 3));
}

TEST(Bcd, RoundTripsRoundedToTheScale) {
  EXPECT_EQ(0.29, BcdRoundTrip(0.29, 10, 2));
  EXPECT_EQ(-12345678.9123, BcdRoundTrip(-12345678.9123, 18, 4));
  EXPECT_EQ(1.24, BcdRoundTrip(1.235, 5, 2));  // 1.235 is stored as 1.2350000000000000977
  EXPECT_EQ(0.0, BcdRoundTrip(-0.0001, 5, 2));
  EXPECT_EQ(1e20, BcdRoundTrip(1e20, 4, 0));
}

TEST(Bcd, RefusesWhatDoesNotFit) {
  std::string bytes;
  EXPECT_FALSE(cds::EncodeBcd(1e40, 10, 0, &bytes));
  EXPECT_FALSE(cds::EncodeBcd(std::nan(""), 10, 0, &bytes));
  const std::string too_precise = std::string("\x21\x00", 2) + std::string(16, '\0');
  double value;
  EXPECT_FALSE(cds::DecodeBcd(Bytes(too_precise), &value));
  const std::string bad_digit = std::string("\x02\x00\xA1", 3) + std::string(15, '\0');
  EXPECT_FALSE(cds::DecodeBcd(Bytes(bad_digit), &value));
}

TEST(ExtendedFloat, EveryDoubleRoundTrips) {
  for (double value : {0.0, -0.0, 1.0, -2.5, 0.1, 1e300, -1e-300, 4.9e-324,
                       std::numeric_limits<double>::infinity()}) {
    const double back = cds::DecodeExtended(Bytes(cds::EncodeExtended(value)));
    EXPECT_EQ(value, back);
    EXPECT_EQ(std::signbit(value), std::signbit(back));
  }
  EXPECT_TRUE(std::isnan(cds::DecodeExtended(Bytes(cds::EncodeExtended(std::nan(""))))));
}

TEST(ExtendedFloat, BeyondDoubleRangeBecomesInfinity) {
  const std::string huge = std::string(7, '\0') + "\x80\xFE\x7F";
  EXPECT_EQ(std::numeric_limits<double>::infinity(), cds::DecodeExtended(Bytes(huge)));
}

TEST(Base64, EncodesAndDecodesEveryTailLength) {
  for (const std::string& bytes : {std::string(), std::string("f"), std::string("fo"),
                                   std::string("foo"), std::string("\x00\xFF\x10\x80", 4)}) {
    std::string back;
    ASSERT_TRUE(cds::Base64Decode(cds::Base64Encode(bytes), &back));
    EXPECT_EQ(bytes, back);
  }
  EXPECT_EQ("Zm9vYg==", cds::Base64Encode("foob"));
  std::string out;
  EXPECT_TRUE(cds::Base64Decode("Zm9v\r\nYg==", &out));
  EXPECT_EQ("foob", out);
  EXPECT_FALSE(cds::Base64Decode("Zm9v!", &out));
  EXPECT_FALSE(cds::Base64Decode("Z", &out));
  EXPECT_FALSE(cds::Base64Decode("Zg==Zg==", &out));
}

TEST(DayTime, DayNumbersCountFromYearOne) {
  int64_t day = 0;
  ASSERT_TRUE(cds::DayNumberOf(1, 1, 1, &day));
  EXPECT_EQ(1, day);
  ASSERT_TRUE(cds::DayNumberOf(1899, 12, 30, &day));
  EXPECT_EQ(cds::kDayNumberOfZero, day);
  EXPECT_FALSE(cds::DayNumberOf(2023, 2, 29, &day));
  EXPECT_FALSE(cds::DayNumberOf(10000, 1, 1, &day));
  // 62927370303000 ms: 1995-02-02 01:05:03.
  EXPECT_EQ(rtl::EncodeDate(1995, 2, 2) + rtl::EncodeTime(1, 5, 3, 0),
            cds::ToDateTime({62927370303000 / cds::kMsPerDay, 62927370303000 % cds::kMsPerDay}));
}

TEST(DayTime, ValuesBefore1899CountTheTimeOfDayForward) {
  cds::CivilDateTime c;
  ASSERT_TRUE(cds::ToCivil(-1.25, &c));
  EXPECT_EQ(1899, c.year);
  EXPECT_EQ(29, c.day);
  EXPECT_EQ(6, c.hour);
  cds::DayTime parts;
  ASSERT_TRUE(cds::FromDateTime(-1.25, &parts));
  EXPECT_EQ(-1.25, cds::ToDateTime(parts));
}

TEST(DayTime, RoundingToTheMillisecondCarriesIntoTheNextDay) {
  cds::DayTime parts;
  ASSERT_TRUE(cds::FromDateTime(rtl::EncodeDate(2024, 12, 31) + 0.9999999999, &parts));
  EXPECT_EQ(0, parts.ms);
  int64_t new_year = 0;
  cds::DayNumberOf(2025, 1, 1, &new_year);
  EXPECT_EQ(new_year, parts.day_number);
  EXPECT_FALSE(cds::FromDateTime(std::nan(""), &parts));
  EXPECT_FALSE(cds::FromDateTime(3e6, &parts));
}

TEST(XmlDateTime, TextsAsDataPacketsWriteThem) {
  std::string text;
  ASSERT_TRUE(
      cds::FormatXmlDateTime(rtl::EncodeDate(1995, 2, 2) + rtl::EncodeTime(1, 5, 3, 0), &text));
  EXPECT_EQ("19950202T01:05:03000", text);
  ASSERT_TRUE(cds::FormatXmlDateTime(rtl::EncodeDate(1988, 4, 12), &text));
  EXPECT_EQ("19880412", text);
  ASSERT_TRUE(cds::FormatXmlTime(rtl::EncodeTime(10, 0, 0, 0), &text));
  EXPECT_EQ("10:00:00000", text);
  rtl::TDateTime value;
  EXPECT_TRUE(cds::ParseXmlTime("10:00:05", &value));
  EXPECT_EQ(rtl::EncodeTime(10, 0, 5, 0), value);
  EXPECT_FALSE(cds::ParseXmlDate("19950230", &value));
  EXPECT_FALSE(cds::ParseXmlDateTime("19950202 01:05:03000", &value));
  EXPECT_FALSE(cds::ParseXmlTime("24:00:00000", &value));
}

}  // namespace
