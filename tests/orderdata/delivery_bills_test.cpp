// getPedidos: the store's open delivery bills of one bill number.

#include "order_data_fixture.h"

namespace orderdata_test {
namespace {

class DeliveryBillsTest : public OrderDataTest {
 protected:
  void AddBill(const std::string& nrvendarest, const std::string& nrcomanda,
               const std::string& dscomanda = "", const std::string& status = "1") {
    vyrtest::PendingOrder order;
    order.nrvendarest = nrvendarest;
    order.nrcomanda = nrcomanda;
    order.dscomanda = dscomanda;
    order.idstcomanda = status;
    vyrtest::InsertPendingOrder(store_, order);
  }
  rtl::Variant Bills(const std::u16string& nrcomanda,
                     const std::u16string& nrvendarest = u"0000000001") {
    return dm().getPedidos(u"0001", u"01", nrcomanda, nrvendarest);
  }
};

TEST_P(DeliveryBillsTest, GivesTheBillOfExactlyThatNumberAndOrder) {
  AddBill("0000000001", "10");
  AddBill("0000000002", "1");
  AddBill("0000000003", "100");

  EXPECT_EQ("0000000002|1;", Rows(Bills(u"1", u"0000000002"), {"NRVENDAREST", "NRCOMANDA"}) + ";" +
                                 Rows(Bills(u"1", u"0000000001"), {"NRVENDAREST"}));
}

// Bill numbers recycle: closed bills before and after the waiting one had its number, and none
// of them stands in for the order's own bill.
TEST_P(DeliveryBillsTest, ARecycledNumberGivesTheOrdersOwnBillAlone) {
  for (const char* order : {"0000000001", "0000000005", "0000000009", "0000000003"}) {
    AddBill(order, "1");
  }
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '3' WHERE NRVENDAREST <> '0000000005'");
  store_.Exec("UPDATE COMANDAVEN SET IDSTCOMANDA = '5' WHERE NRVENDAREST = '0000000003'");
  EXPECT_EQ("0000000005;", Rows(Bills(u"1", u"0000000005"), {"NRVENDAREST"}) + ";" +
                               Rows(Bills(u"1", u"0000000003"), {"NRVENDAREST"}));
}

TEST_P(DeliveryBillsTest, LeavesOutStatusFiveAndBillsThatAreNotDelivery) {
  AddBill("0000000001", "1");
  AddBill("0000000002", "2", "", "5");
  AddBill("0000000003", "3", "MESA_3");
  AddBill("0000000004", "4", "XDLV_4");
  AddBill("0000000005", "5", "DLV_cinco", "X");

  std::string found;
  for (const std::u16string bill : {u"1", u"2", u"3", u"4", u"5"}) {
    found +=
        Rows(Bills(bill, u"000000000" + bill), {"NRCOMANDA", "DSCOMANDA", "IDSTCOMANDA"}) + ";";
  }
  EXPECT_EQ("1|DLV_1|1;;;;5|DLV_cinco|X;", found);
}

TEST_P(DeliveryBillsTest, OtherBranchAndStoreAreLeftOut) {
  AddBill("0000000001", "1");
  vyrtest::PendingOrder other_store;
  other_store.nrvendarest = "0000000002";
  other_store.nrcomanda = "1";
  other_store.cdloja = "02";
  vyrtest::InsertPendingOrder(store_, other_store);
  vyrtest::PendingOrder other_branch;
  other_branch.cdfilial = "0002";
  other_branch.nrcomanda = "1";
  vyrtest::InsertPendingOrder(store_, other_branch);

  EXPECT_EQ("0000000001|1;", Rows(Bills(u"1"), {"NRVENDAREST", "NRCOMANDA"}) + ";" +
                                 Rows(Bills(u"1", u"0000000002"), {"NRVENDAREST"}));
}

TEST_P(DeliveryBillsTest, CarriesConsumerAndDeliveryAddressAndKeepsBillsWithoutConsumer) {
  store_.Exec(
      "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, NRTELECONS, NRCPFRESPCON) "
      "VALUES ('C1', 'K1', 'Ana', '5511999', '12345678909')");
  vyrtest::PendingOrder with_consumer;
  with_consumer.nrcomanda = "2";
  with_consumer.cdcliente = "C1";
  with_consumer.cdconsumidor = "K1";
  vyrtest::InsertPendingOrder(store_, with_consumer);
  store_.Exec(
      "UPDATE COMANDAVEN SET DSENDECONSCOMAN = 'Rua A, 1', DSREFENDCONSCOM = 'perto da praca', "
      "IDORGCMDVENDA = 'IFOOD' WHERE NRCOMANDA = '2'");
  AddBill("0000000002", "1");

  EXPECT_EQ(
      "2|C1|K1|Ana|5511999|12345678909|Rua A, 1|perto da praca|IFOOD;1|NULL|NULL|NULL|NULL|"
      "NULL|NULL|NULL|NULL",
      Rows(Bills(u"2"), {"NRCOMANDA", "CDCLIENTE", "CDCONSUMIDOR", "NMCONSUMIDOR", "NRTELECONS",
                         "NRCPFRESPCON", "DSENDECONSCOMAN", "DSREFENDCONSCOM", "IDORGCMDVENDA"}) +
          ";" +
          Rows(Bills(u"1", u"0000000002"),
               {"NRCOMANDA", "CDCLIENTE", "CDCONSUMIDOR", "NMCONSUMIDOR", "NRTELECONS",
                "NRCPFRESPCON", "DSENDECONSCOMAN", "DSREFENDCONSCOM", "IDORGCMDVENDA"}));
}

TEST_P(DeliveryBillsTest, ColumnsComeInStatementOrder) {
  EXPECT_EQ(
      "IDSTCOMANDA,NRVENDAREST,DTHRABERMESA,CDCONSUMIDOR,NMCONSUMIDOR,NRTELECONS,NRCOMANDA,"
      "DSCOMANDA,CDCLIENTE,NRCPFRESPCON,CDMUNICIPIO,CDPAIS,SGESTADO,CDBAIRRO,DSBAIRRO,"
      "DSENDECONSCOMAN,DSCOMPLENDCOCOM,NRCEPCONSCOMAND,DSREFENDCONSCOM,DTENTREGA,NRVENDARESTAUX,"
      "IDORGCMDVENDA,CDNSUESITEF,IDRETBALLOJA,IDIMPCPFCUPOM",
      Columns(Bills(u"1")));
}

ORDERDATA_INSTANTIATE(DeliveryBillsTest);

}  // namespace
}  // namespace orderdata_test
