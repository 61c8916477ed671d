#include "vyrutil/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

using VyrUtil::Arredonda2;
using VyrUtil::Trunc2;

// Each of these is stored slightly below its decimal value, so a plain cut loses a cent.
TEST(Trunc2, KeepsTwoDecimalValuesDespiteRepresentationError) {
  EXPECT_EQ(0.29, Trunc2(0.29));
  EXPECT_EQ(1.15, Trunc2(1.15));
  EXPECT_EQ(4.35, Trunc2(4.35));
  EXPECT_EQ(59.97, Trunc2(19.99 * 3));
  EXPECT_EQ(0.3, Trunc2(0.1 + 0.2));
  EXPECT_EQ(8.2, Trunc2(8.2));
  EXPECT_EQ(1234567.89, Trunc2(1234567.89));
}

// Near ten million a scaled-and-rounded clean-up runs out of integer precision and loses a cent.
TEST(Trunc2, KeepsCentsOfLargeAmounts) {
  EXPECT_EQ(10000000.29, Trunc2(10000000.29));
  EXPECT_EQ(9999999.99, Trunc2(9999999.99));
  EXPECT_EQ(12345678.91, Trunc2(12345678.91));
  EXPECT_EQ(99999999999.99, Trunc2(99999999999.99));
  EXPECT_EQ(10000000.3, Trunc2(10000000.1 + 10000000.2 - 10000000.0));
  EXPECT_EQ(-10000000.29, Trunc2(-10000000.29));
}

TEST(Trunc2, EqualAmountsComputedDifferentlyCompareEqual) {
  // The bill closing compares the payments' total with the items' total.
  EXPECT_EQ(Trunc2(0.1 + 0.2), Trunc2(0.3));
  EXPECT_EQ(Trunc2(19.99 * 3), Trunc2(19.99 + 19.99 + 19.99));
  EXPECT_EQ(Trunc2(4.35 * 100 / 100), Trunc2(4.35));
}

TEST(Trunc2, CutsRealThirdDecimalsTowardsZero) {
  EXPECT_EQ(1.23, Trunc2(1.239));
  EXPECT_EQ(1.23, Trunc2(1.2399999));
  EXPECT_EQ(0.99, Trunc2(0.999));
  EXPECT_EQ(10.0, Trunc2(10.009));
  EXPECT_EQ(2.0, Trunc2(2.0));
}

TEST(Trunc2, NegativeValuesAreCutTowardsZero) {
  EXPECT_EQ(-0.29, Trunc2(-0.29));
  EXPECT_EQ(-1.23, Trunc2(-1.239));
  EXPECT_EQ(-59.97, Trunc2(-19.99 * 3));
  EXPECT_EQ(0.0, Trunc2(-0.001));
  EXPECT_FALSE(std::signbit(Trunc2(-0.001)));
}

TEST(Trunc2, ValuesWithoutCentsPassThrough) {
  EXPECT_EQ(0.0, Trunc2(0.0));
  EXPECT_EQ(1e16, Trunc2(1e16));
  EXPECT_TRUE(std::isnan(Trunc2(std::numeric_limits<double>::quiet_NaN())));
  EXPECT_EQ(std::numeric_limits<double>::infinity(),
            Trunc2(std::numeric_limits<double>::infinity()));
}

// Half a cent rounds away from zero as on a receipt, also when the double lies just below the
// half (1.005 is 1.00499999999999989, 2.675 is 2.67499999999999982); a value below it does not.
TEST(Arredonda2, HalfCentsRoundAwayFromZero) {
  std::string rounded;
  for (double value : {0.125, 1.005, 2.675, 0.285, 1234567.885, 10000000.005, -0.125, -1.005, 0.124,
                       1.0049, 19.99 * 3, 0.0}) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f ", Arredonda2(value));
    rounded += text;
  }
  EXPECT_EQ("0.13 1.01 2.68 0.29 1234567.89 10000000.01 -0.13 -1.01 0.12 1.00 59.97 0.00 ",
            rounded);
}

}  // namespace
