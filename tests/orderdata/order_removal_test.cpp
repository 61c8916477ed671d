// setApagaPedido: removal of a delivery order's working rows, found by its bill number.

#include "order_data_fixture.h"

namespace orderdata_test {
namespace {

class OrderRemovalTest : public OrderDataTest {
 protected:
  void SetUp() override {
    OrderDataTest::SetUp();
    InsertWorkingOrder(store_, "A", {"10", "11"});
    InsertWorkingOrder(store_, "B", {"20"});
  }
  static constexpr const char* kOrderAOnly =
      "MOV[A/1 A/2] EST[A/10/001 A/10/002 A/11/001 A/11/002] VEN[A/10/001 A/10/002 A/11/001 "
      "A/11/002] CMD[A/10 A/11] VR[A]";
};

TEST_P(OrderRemovalTest, RemovesTheOrderButLeavesOtherOrdersAndOtherBillsItems) {
  const std::string before = WorkingRows(store_);

  const rtl::Variant result = dm().setApagaPedido(u"0001", u"10");

  EXPECT_TRUE(result.IsEmpty()) << rtl::DebugString(result);
  // Bill 11 of the same order keeps its items and bill row; the order's payments and
  // restaurant sale go.
  EXPECT_EQ(
      "MOV[B/1 B/2] EST[A/11/001 A/11/002 B/20/001 B/20/002] VEN[A/11/001 A/11/002 B/20/001 "
      "B/20/002] CMD[A/11 B/20] VR[B]",
      WorkingRows(store_));
  EXPECT_NE(before, WorkingRows(store_));
  EXPECT_FALSE(dm().adcImpExpKds.InTransaction());
}

TEST_P(OrderRemovalTest, SecondCallFindsNothingAndSucceeds) {
  ASSERT_TRUE(dm().setApagaPedido(u"0001", u"20").IsEmpty());
  const std::string after_first = WorkingRows(store_);
  ASSERT_EQ(kOrderAOnly, after_first);

  const rtl::Variant again = dm().setApagaPedido(u"0001", u"20");

  EXPECT_TRUE(again.IsEmpty()) << rtl::DebugString(again);
  EXPECT_EQ(after_first, WorkingRows(store_));
}

TEST_P(OrderRemovalTest, UnknownBillRunsNoDelete) {
  // Rows with empty numbers would be what deletes with an empty order and bill would hit.
  InsertWorkingOrder(store_, "", {""});
  const std::string before = WorkingRows(store_);

  const rtl::Variant result = dm().setApagaPedido(u"0001", u"99");

  EXPECT_TRUE(result.IsEmpty()) << rtl::DebugString(result);
  EXPECT_EQ(before, WorkingRows(store_));
}

TEST_P(OrderRemovalTest, OtherBranchIsNotSearched) {
  const std::string before = WorkingRows(store_);

  EXPECT_TRUE(dm().setApagaPedido(u"0002", u"10").IsEmpty());
  EXPECT_EQ(before, WorkingRows(store_));
}

TEST_P(OrderRemovalTest, FailureInTheFourthDeleteBringsTheEarlierOnesBack) {
  store_.Exec(
      "CREATE TRIGGER BLOQUEIA BEFORE DELETE ON COMANDAVEN BEGIN SELECT RAISE(ABORT, "
      "'bloqueado'); END");
  const std::string before = WorkingRows(store_);

  const rtl::Variant result = dm().setApagaPedido(u"0001", u"20");

  ASSERT_TRUE(result.IsString()) << rtl::DebugString(result);
  EXPECT_NE(std::string::npos, result.AsString().find("bloqueado")) << result.AsString();
  EXPECT_EQ(before, WorkingRows(store_));
  EXPECT_FALSE(dm().adcImpExpKds.InTransaction());

  // The connection stays usable: once the block is lifted the removal goes through.
  store_.Exec("DROP TRIGGER BLOQUEIA");
  EXPECT_TRUE(dm().setApagaPedido(u"0001", u"20").IsEmpty());
  EXPECT_EQ(std::string::npos, WorkingRows(store_).find("B/"));
}

TEST_P(OrderRemovalTest, CommitsTheTransactionTheCallerOpened) {
  dm().StartTrans();
  EXPECT_TRUE(dm().setApagaPedido(u"0001", u"20").IsEmpty());

  EXPECT_FALSE(dm().adcImpExpKds.InTransaction());
  EXPECT_EQ(std::string::npos, WorkingRows(store_).find("B/"));
}

ORDERDATA_INSTANTIATE(OrderRemovalTest);

}  // namespace
}  // namespace orderdata_test
