// getPedExpKDS: the register's pending delivery orders.

#include "order_data_fixture.h"

namespace orderdata_test {
namespace {

using vyrtest::PendingOrder;

class PendingOrdersTest : public OrderDataTest {
 protected:
  void SetUp() override {
    OrderDataTest::SetUp();
    vyrtest::InsertBranchStoreRegister(store_, "0001", "01", "002");
  }
  rtl::Variant Pending() { return dm().getPedExpKDS(u"0001", u"002", u"01"); }
};

TEST_P(PendingOrdersTest, ListsWaitingBillsWithOrderNumberByRestaurantSale) {
  PendingOrder second;
  second.nrvendarest = "0000000002";
  second.nrcomanda = "0002";
  second.nrpedidovyr = "PED2";
  vyrtest::InsertPendingOrder(store_, second);
  PendingOrder first;
  first.nrpedidovyr = "PED1";
  vyrtest::InsertPendingOrder(store_, first);
  PendingOrder done;
  done.nrvendarest = "0000000003";
  done.nrcomanda = "0003";
  done.idimpcupexp = "3";
  vyrtest::InsertPendingOrder(store_, done);
  PendingOrder no_number;
  no_number.nrvendarest = "0000000004";
  no_number.nrcomanda = "0004";
  vyrtest::InsertPendingOrder(store_, no_number);
  store_.Exec("UPDATE ITCOMANDAVEN SET NRPEDIDOVYR = NULL WHERE NRVENDAREST = '0000000004'");

  EXPECT_EQ("002|S|0001|0000000001|0001|DLV_0001|PED1;002|S|0001|0000000002|0002|DLV_0002|PED2",
            Rows(Pending(), {"CDCAIXA", "IDIMPAUTCUPEXP", "CDFILIAL", "NRVENDAREST", "NRCOMANDA",
                             "DSCOMANDA", "NRPEDIDOVYR"}));
}

TEST_P(PendingOrdersTest, BillWithTwoOrderNumbersGivesOneRowPerNumber) {
  PendingOrder order;
  vyrtest::OrderItem a;
  a.nrprodcomven = "001";
  a.nrpedidovyr = "PEDA";
  vyrtest::OrderItem b;
  b.nrprodcomven = "002";
  b.nrpedidovyr = "PEDB";
  vyrtest::OrderItem b_again;
  b_again.nrprodcomven = "003";
  b_again.nrpedidovyr = "PEDB";
  order.items = {a, b, b_again};
  vyrtest::InsertPendingOrder(store_, order);

  EXPECT_EQ("0001|PEDA;0001|PEDB", Rows(Pending(), {"NRCOMANDA", "NRPEDIDOVYR"}));
}

TEST_P(PendingOrdersTest, RegisterWithAutomaticClosingOffGetsEmptyPacketWithColumns) {
  vyrtest::InsertPendingOrder(store_, PendingOrder{});
  store_.Exec("UPDATE CAIXA SET IDIMPAUTCUPEXP = 'N'");

  const rtl::Variant result = Pending();
  ASSERT_TRUE(result.IsPacket()) << rtl::DebugString(result);
  EXPECT_EQ(0u, result.AsPacket().RowCount());
  EXPECT_EQ(
      "CDCAIXA,IDIMPAUTCUPEXP,CDFILIAL,NRVENDAREST,NRCOMANDA,DSCOMANDA,IDSTCOMANDA,NRCOMANDAEXT,"
      "NRPEDIDOVYR",
      Columns(result));
}

TEST_P(PendingOrdersTest, OtherStoreOrUnknownRegisterListsNothing) {
  vyrtest::InsertPendingOrder(store_, PendingOrder{});

  EXPECT_EQ("", Rows(dm().getPedExpKDS(u"0001", u"002", u"02"), {"NRCOMANDA"}));
  EXPECT_EQ("", Rows(dm().getPedExpKDS(u"0001", u"009", u"01"), {"NRCOMANDA"}));
  EXPECT_EQ("0001", Rows(Pending(), {"NRCOMANDA"}));
}

ORDERDATA_INSTANTIATE(PendingOrdersTest);

}  // namespace
}  // namespace orderdata_test
