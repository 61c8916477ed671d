#include "vyrutil/service_result.h"

#include <gtest/gtest.h>

#include "rtl/errors.h"

namespace {

using VyrUtil::CheckResultServ;

TEST(CheckResultServ, EmptyResultsReturnNormally) {
  EXPECT_NO_THROW(CheckResultServ(rtl::Variant(), true, 0));
  EXPECT_NO_THROW(CheckResultServ(rtl::Variant::Null(), true, 0));
  EXPECT_NO_THROW(CheckResultServ(rtl::Variant(""), true, 0));
  EXPECT_NO_THROW(CheckResultServ(rtl::Variant("  "), true, 0));
}

TEST(CheckResultServ, AnswersThatAreNotTextsReturnNormally) {
  EXPECT_EQ(rtl::Variant(3), CheckResultServ(rtl::Variant(3), true, 0));
  EXPECT_EQ(rtl::Variant(true), CheckResultServ(rtl::Variant(true), true, 7));
}

TEST(CheckResultServ, MessageTextRaisesWithThatText) {
  try {
    CheckResultServ(rtl::Variant("Violation of PRIMARY KEY constraint"), true, 0);
    FAIL() << "no error raised";
  } catch (const rtl::Exception& error) {
    EXPECT_EQ("Violation of PRIMARY KEY constraint", error.Message());
  }
}

TEST(CheckResultServ, MessageTextIsReturnedWhenNotAskedToRaise) {
  EXPECT_EQ(rtl::Variant("falhou"), CheckResultServ(rtl::Variant("falhou"), false, 0));
}

}  // namespace
