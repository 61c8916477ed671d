// getVenda: the sales of one order recorded on the server's current date.

#include "order_data_fixture.h"

namespace orderdata_test {
namespace {

class SaleCheckTest : public OrderDataTest {
 protected:
  void SetUp() override {
    OrderDataTest::SetUp();
    vyrtest::InsertPendingOrder(store_, vyrtest::PendingOrder{});
  }
  rtl::Variant Sales() { return dm().getVenda(u"0001", u"01", u"0000000001"); }
};

TEST_P(SaleCheckTest, SaleEnteredTodayAtTimeZeroMatches) {
  vyrtest::InsertSale(store_, "0001", "002", "0000000077", "01", "0000000001",
                      vyrtest::TodayText());

  EXPECT_EQ("0000000077", Rows(Sales(), {"NRSEQVENDA"}));
}

TEST_P(SaleCheckTest, SaleEnteredYesterdayDoesNotMatch) {
  vyrtest::InsertSale(store_, "0001", "002", "0000000077", "01", "0000000001",
                      vyrtest::DayText(-1));

  const rtl::Variant result = Sales();
  EXPECT_EQ("", Rows(result, {"NRSEQVENDA"}));
  EXPECT_EQ("NRSEQVENDA", Columns(result));
}

TEST_P(SaleCheckTest, OnlySalesOfThisOrderAndStoreCount) {
  vyrtest::PendingOrder other;
  other.nrvendarest = "0000000002";
  other.nrcomanda = "0002";
  vyrtest::InsertPendingOrder(store_, other);
  vyrtest::InsertSale(store_, "0001", "002", "0000000078", "01", "0000000002",
                      vyrtest::TodayText());
  vyrtest::InsertSale(store_, "0001", "002", "0000000079", "02", "0000000001",
                      vyrtest::TodayText());

  EXPECT_EQ("", Rows(Sales(), {"NRSEQVENDA"}));
}

TEST_P(SaleCheckTest, EverySaleOfTheDayIsListed) {
  vyrtest::InsertSale(store_, "0001", "002", "0000000077", "01", "0000000001",
                      vyrtest::TodayText());
  vyrtest::InsertSale(store_, "0001", "003", "0000000080", "01", "0000000001",
                      vyrtest::TodayText());

  const rtl::Variant result = Sales();
  ASSERT_TRUE(result.IsPacket());
  EXPECT_EQ(2u, result.AsPacket().RowCount());
}

ORDERDATA_INSTANTIATE(SaleCheckTest);

}  // namespace
}  // namespace orderdata_test
