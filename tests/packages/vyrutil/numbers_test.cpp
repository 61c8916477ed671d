#include "vyrutil/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

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

}  // namespace
