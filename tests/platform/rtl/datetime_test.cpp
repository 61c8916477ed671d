#include "rtl/datetime.h"

#include <gtest/gtest.h>

#include <cmath>

#include "rtl/errors.h"

namespace rtl {
namespace {

std::string Show(const DateTimeParts& p) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day,
                p.hour, p.minute, p.second, p.msec);
  return text;
}

TEST(DateTimeEncoding, KnownDaysCountFromTheEpochOf1899) {
  EXPECT_EQ(0.0, EncodeDate(1899, 12, 30));
  EXPECT_EQ(1.0, EncodeDate(1899, 12, 31));
  EXPECT_EQ(2.0, EncodeDate(1900, 1, 1));
  EXPECT_EQ(25569.0, EncodeDate(1970, 1, 1));
  EXPECT_EQ(45351.0, EncodeDate(2024, 2, 29));
  EXPECT_EQ(-1.0, EncodeDate(1899, 12, 29));
  EXPECT_DOUBLE_EQ(0.75, EncodeTime(18, 0, 0, 0));
}

TEST(DateTimeEncoding, RoundTripsThroughDecodeAcrossYearsAndTimes) {
  const DateTimeParts samples[] = {{1, 1, 1, 0, 0, 0, 0},          {1899, 12, 29, 6, 0, 0, 0},
                                   {1900, 2, 28, 23, 59, 59, 999}, {2000, 2, 29, 12, 34, 56, 789},
                                   {2023, 12, 31, 0, 0, 0, 1},     {2024, 3, 1, 8, 5, 3, 250},
                                   {9999, 12, 31, 23, 59, 59, 999}};
  for (const DateTimeParts& parts : samples) {
    EXPECT_EQ(Show(parts), Show(DecodeDateTime(EncodeDateTime(parts))));
  }
}

TEST(DateTimeEncoding, NegativeValuesKeepTheTimeCountingForward) {
  // A quarter past the day before the epoch: the day is -1 and the time adds a quarter day.
  const TDateTime value = EncodeDateTime({1899, 12, 29, 6, 0, 0, 0});
  EXPECT_DOUBLE_EQ(-1.25, value);
  EXPECT_EQ("1899-12-29 06:00:00.000", Show(DecodeDateTime(-1.25)));
}

TEST(DateTimeEncoding, DecodeRoundsToTheNearestMillisecond) {
  const TDateTime almost_midnight = EncodeDate(2024, 5, 1) + (86400000.0 - 0.2) / 86400000.0;
  EXPECT_EQ("2024-05-02 00:00:00.000", Show(DecodeDateTime(almost_midnight)));
  const TDateTime noon_and_a_bit = EncodeDate(2024, 5, 1) + 0.5 + 0.4 / 86400000.0;
  EXPECT_EQ("2024-05-01 12:00:00.000", Show(DecodeDateTime(noon_and_a_bit)));
}

TEST(DateTimeEncoding, InvalidCalendarValuesRaiseConvertError) {
  EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(2024, 13, 1), EConvertError);
  EXPECT_THROW(EncodeDate(2024, 4, 31), EConvertError);
  EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
  EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
  EXPECT_THROW(DecodeDateTime(1e300), EConvertError);
  EXPECT_THROW(DecodeDateTime(std::nan("")), EConvertError);
  EXPECT_THROW(DateTimeToStr(-1e10), EConvertError);
}

TEST(DateTimeText, ShowsDateAndTimeOrTheDateAloneAtMidnight) {
  EXPECT_EQ("05/03/2024 14:07:09", DateTimeToStr(EncodeDateTime({2024, 3, 5, 14, 7, 9, 0})));
  EXPECT_EQ("05/03/2024", DateTimeToStr(EncodeDate(2024, 3, 5)));
  // Milliseconds alone do not make a time of day worth showing.
  EXPECT_EQ("05/03/2024", DateTimeToStr(EncodeDateTime({2024, 3, 5, 0, 0, 0, 999})));
  EXPECT_EQ("05/03/2024 00:00:01", DateTimeToStr(EncodeDateTime({2024, 3, 5, 0, 0, 1, 0})));
  EXPECT_EQ("30/12/1899", DateTimeToStr(0));
}

TEST(DateTimeText, SqlFormsWriteAndReadBack) {
  const TDateTime value = EncodeDateTime({2024, 11, 2, 9, 8, 7, 0});
  EXPECT_EQ("2024-11-02", FormatDateIso(value));
  EXPECT_EQ("2024-11-02 09:08:07", FormatSqlDateTime(value));
  EXPECT_EQ(value, ParseSqlDateTime("2024-11-02 09:08:07"));
  EXPECT_EQ(value, ParseSqlDateTime("2024-11-02T09:08:07"));
  EXPECT_EQ(EncodeDate(2024, 11, 2), ParseSqlDateTime("2024-11-02"));
  EXPECT_EQ(EncodeDateTime({2024, 11, 2, 9, 8, 7, 120}),
            ParseSqlDateTime("2024-11-02 09:08:07.12"));
}

TEST(DateTimeText, RejectsMalformedTextsNamingThem) {
  for (const char* text : {"", "2024-11-2", "2024-02-30", "2024-11-02 9:08:07",
                           "2024-11-02 09:08:07x", "02/11/2024", "2024-11-02 09:08:07.1234"}) {
    try {
      ParseSqlDateTime(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string("'") + text + "' is not a valid date and time", e.Message());
    }
  }
}

TEST(DateTimeText, ReadsThePlatformsOwnDateTimeText) {
  EXPECT_EQ(EncodeDateTime({2024, 3, 5, 14, 7, 9, 0}), StrToDateTime("05/03/2024 14:07:09"));
  EXPECT_EQ(EncodeDate(2024, 3, 5), StrToDateTime("5/3/2024"));
  EXPECT_EQ(EncodeDateTime({2024, 3, 5, 14, 7, 0, 0}), StrToDateTime("05/03/2024 14:07"));
  EXPECT_THROW(StrToDateTime("31/02/2024"), EConvertError);
  EXPECT_THROW(StrToDateTime("2024-03-05"), EConvertError);
}

class ClockTest : public ::testing::Test {
 protected:
  void TearDown() override { SetClock(nullptr); }
};

TEST_F(ClockTest, ReplacedClockDrivesNowAndDate) {
  const TDateTime fixed = EncodeDateTime({2024, 6, 1, 10, 30, 0, 500});
  SetClock([fixed] { return fixed; });
  EXPECT_EQ(fixed, Now());
  EXPECT_EQ(EncodeDate(2024, 6, 1), Date());
}

TEST_F(ClockTest, SystemClockGivesTheLocalDateOfToday) {
  SetClock(nullptr);
  std::time_t seconds = std::time(nullptr);
  std::tm local{};
  localtime_r(&seconds, &local);
  const TDateTime today = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  // Around midnight the two readings may straddle the day change.
  EXPECT_GE(Date(), today);
  EXPECT_LE(Date(), today + 1);
  EXPECT_GE(Now(), Date() - 1);
}

}  // namespace
}  // namespace rtl
