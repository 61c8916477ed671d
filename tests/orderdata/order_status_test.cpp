// setVendaComanda: the status letter and the export flag of one delivery bill.

#include "order_data_fixture.h"

namespace orderdata_test {
namespace {

class OrderStatusTest : public OrderDataTest {
 protected:
  void SetUp() override {
    OrderDataTest::SetUp();
    vyrtest::PendingOrder order;
    order.nrvendarest = "0000000010";
    order.nrcomanda = "0020";
    vyrtest::InsertPendingOrder(store_, order);
    vyrtest::PendingOrder other;
    other.nrvendarest = "0000000011";
    other.nrcomanda = "0021";
    vyrtest::InsertPendingOrder(store_, other);
  }
  std::string BillState() {
    return store_.Scalar(
        "SELECT group_concat(NRCOMANDA || ':' || IDSTCOMANDA || ':' || IDIMPCUPEXP, ' ') FROM "
        "(SELECT * FROM COMANDAVEN ORDER BY NRCOMANDA)");
  }
  rtl::Variant Mark(const std::u16string& description, const std::u16string& status) {
    return dm().setVendaComanda(u"0001", u"01", u"0020", u"0000000010", description, status);
  }
};

TEST_P(OrderStatusTest, SetsStatusAndTakesTheBillOffThePendingList) {
  const rtl::Variant result = Mark(u"DLV_0020", u"X");

  EXPECT_TRUE(result.IsEmpty()) << rtl::DebugString(result);
  EXPECT_EQ("0020:X:3 0021:1:2", BillState());
}

TEST_P(OrderStatusTest, StoresAnyStatusLetterAsPassed) {
  EXPECT_TRUE(Mark(u"DLV_0020", u"P").IsEmpty());
  EXPECT_EQ("0020:P:3 0021:1:2", BillState());
}

TEST_P(OrderStatusTest, DescriptionThatDiffersUpdatesNothingAndIsNoFailure) {
  const rtl::Variant result = Mark(u"DLV_0021", u"X");

  EXPECT_TRUE(result.IsEmpty()) << rtl::DebugString(result);
  EXPECT_EQ("0020:1:2 0021:1:2", BillState());
}

TEST_P(OrderStatusTest, LongDescriptionIsMatchedWhole) {
  const std::string forty = "DLV_0020 Cliente Fulano de Tal - Entrega";
  ASSERT_EQ(40u, forty.size());
  store_.Exec("UPDATE COMANDAVEN SET DSCOMANDA = ? WHERE NRCOMANDA = '0020'", {forty});

  EXPECT_TRUE(Mark(u"DLV_0020 Cliente Fulano de Tal - Entrega", u"X").IsEmpty());
  EXPECT_EQ("0020:X:3 0021:1:2", BillState());
}

TEST_P(OrderStatusTest, DescriptionCutToSixteenDoesNotMatchLongerOne) {
  store_.Exec(
      "UPDATE COMANDAVEN SET DSCOMANDA = 'DLV_0020 Cliente Fulano' WHERE "
      "NRCOMANDA = '0020'");

  EXPECT_TRUE(Mark(u"DLV_0020 Cliente", u"X").IsEmpty());
  EXPECT_EQ("0020:1:2 0021:1:2", BillState());
}

TEST_P(OrderStatusTest, CallingTwiceLeavesTheSameStateAsOnce) {
  Mark(u"DLV_0020", u"X");
  const rtl::Variant again = Mark(u"DLV_0020", u"X");

  EXPECT_TRUE(again.IsEmpty());
  EXPECT_EQ("0020:X:3 0021:1:2", BillState());
}

TEST_P(OrderStatusTest, JoinsTheCallersTransaction) {
  dm().StartTrans();
  Mark(u"DLV_0020", u"X");
  dm().RollbackTrans();

  EXPECT_EQ("0020:1:2 0021:1:2", BillState());
}

ORDERDATA_INSTANTIATE(OrderStatusTest);

}  // namespace
}  // namespace orderdata_test
