// getItcomandaEst and getDadosVenda: the items and the delivery payments of a bill.

#include "order_data_fixture.h"

namespace orderdata_test {
namespace {

class BillItemsTest : public OrderDataTest {
 protected:
  void AddItem(const std::string& nrvendarest, const std::string& nrcomanda,
               const std::string& nrprodcomven, const std::string& cdproduto,
               const std::string& note = "", const std::string& cdfilial = "0001") {
    store_.Exec(
        "INSERT INTO ITCOMANDAEST (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
        "QTPROCOMEST, VRPRECCOMEST, VRDESITCOMEST, DSOBSPEDDIGEST) VALUES (?, ?, ?, ?, ?, 2, 12.5, "
        "0.5, ?)",
        {cdfilial, nrvendarest, nrcomanda, nrprodcomven, cdproduto,
         note.empty() ? vyrtest::SqlArg(nullptr) : vyrtest::SqlArg(note)});
  }
  rtl::Variant Items(const std::u16string& bills, const std::u16string& grouped = u"",
                     const std::u16string& order = u"0000000001") {
    return dm().getItcomandaEst(u"0001", bills, grouped, order);
  }
};

TEST_P(BillItemsTest, ResultHasExactlyTheFixedColumns) {
  AddItem("0000000001", "0001", "001", "1001");

  const rtl::Variant result = Items(u"0001");
  ASSERT_TRUE(result.IsPacket()) << rtl::DebugString(result);
  std::string described;
  for (const rtl::FieldDef& field : result.AsPacket().Fields()) {
    described +=
        field.name + ":" + rtl::FieldTypeName(field.type) + ":" + std::to_string(field.size) + " ";
  }
  EXPECT_EQ(
      "CDFILIAL:String:4 CDPRODUTO:String:10 QTPROCOMEST:Float:0 NRPRODCOMVEN:String:6 "
      "VRPRECCOMEST:Float:0 NRCOMANDA:String:10 VRDESITCOMEST:Float:0 DSOBSPEDDIGEST:String:2000 ",
      described);
  EXPECT_EQ("0001|1001|2|001|12.5|0001|0.5|NULL",
            Rows(result, {"CDFILIAL", "CDPRODUTO", "QTPROCOMEST", "NRPRODCOMVEN", "VRPRECCOMEST",
                          "NRCOMANDA", "VRDESITCOMEST", "DSOBSPEDDIGEST"}));
}

TEST_P(BillItemsTest, NoteArrivesCutToThirtyCharacters) {
  const std::string note = "sem cebola, bem passado, com gelo e limao";  // 41 characters
  AddItem("0000000001", "0001", "001", "1001", note);

  EXPECT_EQ(note.substr(0, 30), Rows(Items(u"0001"), {"DSOBSPEDDIGEST"}));
}

TEST_P(BillItemsTest, EmptyGroupedListGivesTheBillsOwnItemsOnly) {
  AddItem("0000000001", "0001", "002", "1002");
  AddItem("0000000001", "0001", "001", "1001");
  AddItem("0000000001", "0007", "001", "7001");
  AddItem("0000000001", "0001", "001", "1001", "", "0002");
  // Bill 0007 was grouped into bill 0001, whose item 003 names its origin.
  store_.Exec(
      "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
      "NRCOMANDAORI, NRPRODCOMORI) VALUES ('0001', '0000000001', '0001', '003', '7001', '0007', "
      "'001')");

  EXPECT_EQ("0001|001|1001;0001|002|1002",
            Rows(Items(u"0001"), {"NRCOMANDA", "NRPRODCOMVEN", "CDPRODUTO"}));
  EXPECT_EQ("0001|001|1001;0001|002|1002;0007|003|7001",
            Rows(Items(u"0001", u"0007"), {"NRCOMANDA", "NRPRODCOMVEN", "CDPRODUTO"}));
}

TEST_P(BillItemsTest, BillListSelectsByContainment) {
  AddItem("0000000001", "12", "001", "A");
  AddItem("0000000001", "3", "002", "B");
  AddItem("0000000001", "4", "003", "C");
  AddItem("0000000001", "1234", "004", "D");

  EXPECT_EQ("A;B", Rows(Items(u"123"), {"CDPRODUTO"}));
}

TEST_P(BillItemsTest, EachCallRunsWithItsOwnValues) {
  AddItem("0000000001", "0001", "001", "1001");
  AddItem("0000000002", "0002", "001", "2001");

  EXPECT_EQ("1001", Rows(Items(u"0001"), {"CDPRODUTO"}));
  EXPECT_EQ("2001", Rows(Items(u"0002", u"", u"0000000002"), {"CDPRODUTO"}));
}

// Bill numbers recycle: the items of the other orders that had the bill's number stay out, and
// so do those of another order's bill grouped from the same bill number.
TEST_P(BillItemsTest, ItemsOfOtherOrdersOfTheBillNumberAreLeftOut) {
  AddItem("0000000001", "0001", "001", "1001");
  AddItem("0000000000", "0001", "001", "ANTES");
  AddItem("0000000002", "0001", "002", "DEPOIS");
  AddItem("0000000000", "0007", "001", "7001");
  store_.Exec(
      "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
      "NRCOMANDAORI, NRPRODCOMORI) VALUES ('0001', '0000000002', '0001', '003', '7001', '0007', "
      "'001')");

  EXPECT_EQ("1001", Rows(Items(u"0001", u"0007"), {"CDPRODUTO"}));
}

class DeliveryPaymentsTest : public OrderDataTest {
 protected:
  void AddPayment(const std::string& nrvendarest, const std::string& seq, double value) {
    store_.Exec(
        "INSERT INTO MOVCAIXADLV (CDFILIAL, NRVENDAREST, NRSEQMOVDLV, IDTIPOMOVIVEDLV, "
        "CDTIPORECE, VRMOVIVENDDLV) VALUES ('0001', ?, ?, 'E', '001', ?)",
        {nrvendarest, seq, value});
  }
};

TEST_P(DeliveryPaymentsTest, GivesThePaymentsOfTheOrderWhateverTheBill) {
  AddPayment("0000000001", "1", 30);
  AddPayment("0000000001", "2", 12.5);
  AddPayment("0000000002", "1", 99);

  const rtl::Variant with_bill = dm().getDadosVenda(u"0001", u"0001", u"0000000001");
  EXPECT_EQ("1|30;2|12.5", Rows(with_bill, {"NRSEQMOVDLV", "VRMOVIVENDDLV"}));
  const rtl::Variant other_bill = dm().getDadosVenda(u"0001", u"qualquer", u"0000000001");
  ASSERT_TRUE(other_bill.IsPacket());
  EXPECT_TRUE(with_bill.AsPacket() == other_bill.AsPacket());
}

TEST_P(DeliveryPaymentsTest, CarriesEveryColumnOfTheTable) {
  const std::string columns = Columns(dm().getDadosVenda(u"0001", u"", u"0000000001"));
  for (const char* name :
       {"CDFILIAL", "NRVENDAREST", "NRSEQMOVDLV", "IDTIPOMOVIVEDLV", "CDCLIENTE", "CDCONSUMIDOR",
        "CDTIPORECE", "VRMOVIVENDDLV", "NRCARTBANCODLV", "CDNSUTEFDLV"}) {
    EXPECT_NE(std::string::npos, columns.find(name)) << name;
  }
}

ORDERDATA_INSTANTIATE(BillItemsTest);
ORDERDATA_INSTANTIATE(DeliveryPaymentsTest);

}  // namespace
}  // namespace orderdata_test
