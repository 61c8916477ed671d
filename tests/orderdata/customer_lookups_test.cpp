// getImpCpfCupom, getCpfCli, getCpfCons and getOrigemVenda: single values of one row.

#include "order_data_fixture.h"

namespace orderdata_test {
namespace {

class CustomerLookupsTest : public OrderDataTest {
 protected:
  void SetUp() override {
    OrderDataTest::SetUp();
    store_.Exec("INSERT INTO CLIENTE (CDCLIENTE, NRINSJURCLIE) VALUES ('C1', '11222333000181')");
    store_.Exec(
        "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NRCPFRESPCON, IDIMPCPFCUPOM) VALUES "
        "('C1', 'K1', '12345678909', 'S'), ('C1', 'K2', NULL, 'N')");
  }
};

TEST_P(CustomerLookupsTest, ReadTheColumnOfTheRow) {
  EXPECT_EQ("11222333000181", dm().getCpfCli("C1"));
  EXPECT_EQ("12345678909", dm().getCpfCons("C1", "K1"));
  EXPECT_EQ("S", dm().getImpCpfCupom("C1", "K1"));
  EXPECT_EQ("N", dm().getImpCpfCupom("C1", "K2"));
}

TEST_P(CustomerLookupsTest, MissingRowOrNullGivesEmptyText) {
  EXPECT_EQ("", dm().getCpfCli("C9"));
  EXPECT_EQ("", dm().getCpfCons("C1", "K9"));
  EXPECT_EQ("", dm().getCpfCons("C1", "K2"));
  EXPECT_EQ("", dm().getImpCpfCupom("C9", "K1"));
}

TEST_P(CustomerLookupsTest, ConsumerIsFoundByBothCodes) {
  store_.Exec(
      "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NRCPFRESPCON) VALUES ('C2', 'K1', "
      "'98765432100')");

  EXPECT_EQ("98765432100", dm().getCpfCons("C2", "K1"));
  EXPECT_EQ("12345678909", dm().getCpfCons("C1", "K1"));
}

class OrderOriginTest : public OrderDataTest {
 protected:
  void SetUp() override {
    OrderDataTest::SetUp();
    vyrtest::InsertPendingOrder(store_, vyrtest::PendingOrder{});
  }
};

TEST_P(OrderOriginTest, GivesTheBillsOriginAsText) {
  store_.Exec("UPDATE COMANDAVEN SET IDORGCMDVENDA = 'IFOOD'");

  const rtl::Variant origin = dm().getOrigemVenda("0001", "0000000001", "0001");
  ASSERT_TRUE(origin.IsString()) << rtl::DebugString(origin);
  EXPECT_EQ("IFOOD", origin.AsString());
}

TEST_P(OrderOriginTest, BillWithoutOriginGivesVariantHoldingEmptyText) {
  const rtl::Variant origin = dm().getOrigemVenda("0001", "0000000001", "0001");
  ASSERT_TRUE(origin.IsString()) << rtl::DebugString(origin);
  EXPECT_EQ("", origin.AsString());
}

TEST_P(OrderOriginTest, NeedsOrderAndBillToMatch) {
  store_.Exec("UPDATE COMANDAVEN SET IDORGCMDVENDA = 'IFOOD'");

  EXPECT_EQ(rtl::Variant(""), dm().getOrigemVenda("0001", "0000000002", "0001"));
  EXPECT_EQ(rtl::Variant(""), dm().getOrigemVenda("0001", "0000000001", "0002"));
}

ORDERDATA_INSTANTIATE(CustomerLookupsTest);
ORDERDATA_INSTANTIATE(OrderOriginTest);

}  // namespace
}  // namespace orderdata_test
