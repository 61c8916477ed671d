// setFechaVenda: clearing a finished sale's working rows by bill and order number.

#include "order_data_fixture.h"

namespace orderdata_test {
namespace {

class SaleFinishingTest : public OrderDataTest {
 protected:
  void SetUp() override {
    OrderDataTest::SetUp();
    InsertWorkingOrder(store_, "A", {"10", "11"});
    InsertWorkingOrder(store_, "B", {"20"});
  }
  static bool IsEmptyText(const rtl::Variant& result) {
    return result.IsString() && result.AsString().empty();
  }
};

TEST_P(SaleFinishingTest, ClearsOrderRowsAndEveryRowOfTheBillNumberInTheBranch) {
  // The same bill number under order B: its ITCOMANDAVEN and COMANDAVEN rows go too, its
  // ITCOMANDAEST rows stay (that delete names the order).
  InsertWorkingOrder(store_, "C", {});
  store_.Exec(
      "INSERT INTO COMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA) VALUES ('0001', 'C', '10')");
  store_.Exec(
      "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN) VALUES "
      "('0001', 'C', '10', '001')");
  store_.Exec(
      "INSERT INTO ITCOMANDAEST (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN) VALUES "
      "('0001', 'C', '10', '001')");

  const rtl::Variant result = dm().setFechaVenda(u"0001", u"10", u"A");

  EXPECT_TRUE(IsEmptyText(result)) << rtl::DebugString(result);
  EXPECT_EQ(
      "MOV[B/1 B/2 C/1 C/2] EST[A/11/001 A/11/002 B/20/001 B/20/002 C/10/001] "
      "VEN[A/11/001 A/11/002 B/20/001 B/20/002] CMD[A/11 B/20] VR[B C]",
      WorkingRows(store_));
  EXPECT_FALSE(dm().adcImpExpKds.InTransaction());
}

TEST_P(SaleFinishingTest, OrderNumberThatDoesNotMatchTheBillStillClearsBoth) {
  const rtl::Variant result = dm().setFechaVenda(u"0001", u"20", u"A");

  EXPECT_TRUE(IsEmptyText(result)) << rtl::DebugString(result);
  EXPECT_EQ(
      "MOV[B/1 B/2] EST[A/10/001 A/10/002 A/11/001 A/11/002 B/20/001 B/20/002] "
      "VEN[A/10/001 A/10/002 A/11/001 A/11/002] CMD[A/10 A/11] VR[B]",
      WorkingRows(store_));
}

TEST_P(SaleFinishingTest, SecondCallDeletesNothingAndReturnsEmptyText) {
  ASSERT_TRUE(IsEmptyText(dm().setFechaVenda(u"0001", u"20", u"B")));
  const std::string after_first = WorkingRows(store_);

  EXPECT_TRUE(IsEmptyText(dm().setFechaVenda(u"0001", u"20", u"B")));
  EXPECT_EQ(after_first, WorkingRows(store_));
}

TEST_P(SaleFinishingTest, FailureInTheFourthCommandBringsTheEarlierDeletesBack) {
  store_.Exec(
      "CREATE TRIGGER BLOQUEIA BEFORE DELETE ON COMANDAVEN BEGIN SELECT RAISE(ABORT, "
      "'bloqueado'); END");
  const std::string before = WorkingRows(store_);

  const rtl::Variant result = dm().setFechaVenda(u"0001", u"20", u"B");

  ASSERT_TRUE(result.IsString()) << rtl::DebugString(result);
  EXPECT_NE(std::string::npos, result.AsString().find("bloqueado")) << result.AsString();
  EXPECT_EQ(before, WorkingRows(store_));
  EXPECT_FALSE(dm().adcImpExpKds.InTransaction());
}

ORDERDATA_INSTANTIATE(SaleFinishingTest);

}  // namespace
}  // namespace orderdata_test
