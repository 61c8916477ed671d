#include "vyrutil/strings.h"

#include <gtest/gtest.h>

#include "vyrutil/translation.h"

namespace {

using VyrUtil::Ajusta;
using VyrUtil::EmptyString;

TEST(EmptyString, EmptyAndBlankTextsAreEmpty) {
  EXPECT_TRUE(EmptyString(""));
  EXPECT_TRUE(EmptyString(" "));
  EXPECT_TRUE(EmptyString("  \t\r\n "));
}

TEST(EmptyString, AnyVisibleCharacterMakesItNonEmpty) {
  EXPECT_FALSE(EmptyString("0"));
  EXPECT_FALSE(EmptyString("  x  "));
  EXPECT_FALSE(EmptyString("ç"));
}

TEST(Ajusta, PadsOnTheLeftWithZeros) {
  EXPECT_EQ("007", Ajusta("7", 3));
  EXPECT_EQ("042", Ajusta("42", 3));
  EXPECT_EQ("123", Ajusta("123", 3));
  EXPECT_EQ("000", Ajusta("", 3));
}

TEST(Ajusta, LongerTextsAreKeptWhole) {
  EXPECT_EQ("1000", Ajusta("1000", 3));
  EXPECT_EQ("5", Ajusta("5", 0));
  EXPECT_EQ("5", Ajusta("5", -2));
}

TEST(SoDigitos, KeepsOnlyTheDigitsInOrder) {
  EXPECT_EQ("12345678000190|||007", VyrUtil::SoDigitos("12.345.678/0001-90") + "|" +
                                        VyrUtil::SoDigitos("") + "|" + VyrUtil::SoDigitos("a b") +
                                        "|" + VyrUtil::SoDigitos("0 0 7"));
}

TEST(Trad, AcceptsAnyComponent) {
  int component = 5;
  VyrUtil::Trad(&component);
  VyrUtil::Trad(nullptr);
  EXPECT_EQ(5, component);
}

}  // namespace
