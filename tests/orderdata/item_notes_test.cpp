// getObsItens and getObsItensEst: the notes of the items of a bill list.

#include "order_data_fixture.h"

namespace orderdata_test {
namespace {

const std::u16string kOrder = u"0000000001";

class ItemNotesTest : public OrderDataTest {
 protected:
  // One item of bill `nrcomanda` with one note, in both item tables.
  void AddNotedItem(const std::string& nrcomanda, const std::string& cdocorr,
                    const std::string& cdfilial = "0001",
                    const std::string& nrvendarest = "0000000001") {
    const vyrtest::SqlArgs item = {cdfilial, nrvendarest, nrcomanda, "001", "P" + nrcomanda};
    store_.Exec(
        "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO) "
        "VALUES (?, ?, ?, ?, ?)",
        item);
    store_.Exec(
        "INSERT INTO ITCOMANDAEST (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO) "
        "VALUES (?, ?, ?, ?, ?)",
        item);
    store_.Exec(
        "INSERT INTO OBSITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDGRPOCOR, "
        "CDOCORR) VALUES (?, ?, ?, '001', 'G1', ?)",
        {cdfilial, nrvendarest, nrcomanda, cdocorr});
    store_.Exec(
        "INSERT INTO OBSITCOMANDAEST (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
        "CDGRPOCOR, CDOCORR) VALUES (?, ?, ?, '001', ?, 'G1', ?)",
        {cdfilial, nrvendarest, nrcomanda, "P" + nrcomanda, cdocorr});
  }
  // The statements have no ordering: compare the notes as a sorted list.
  static std::string Occurrences(const rtl::Variant& result) {
    return SortedRows(result, {"CDOCORR"});
  }
  void AddBillsAroundOneTwoThree() {
    for (const char* bill : {"123", "12", "23", "1", "2", "3", "4", "124", "1234"}) {
      AddNotedItem(bill, std::string("O") + bill);
    }
    AddNotedItem("123", "OUTRA", "0002");
  }
};

TEST_P(ItemNotesTest, BillListOneTwoThreeAlsoSelectsTheBillsItContains) {
  AddBillsAroundOneTwoThree();

  EXPECT_EQ("O1;O12;O123;O2;O23;O3", Occurrences(dm().getObsItens(u"0001", u"123", kOrder)));
}

TEST_P(ItemNotesTest, StockItemNotesSelectByContainmentToo) {
  AddBillsAroundOneTwoThree();

  EXPECT_EQ("O1;O12;O123;O2;O23;O3", Occurrences(dm().getObsItensEst(u"0001", u"123", kOrder)));
}

// Bill numbers recycle: the notes of the other orders that had the bill's number stay out.
TEST_P(ItemNotesTest, NotesOfOtherOrdersOfTheBillNumberAreLeftOut) {
  AddNotedItem("0001", "OK");
  AddNotedItem("0001", "ANTES", "0001", "0000000000");
  AddNotedItem("0001", "DEPOIS", "0001", "0000000002");

  EXPECT_EQ("OK/OK", Occurrences(dm().getObsItens(u"0001", u"0001", kOrder)) + "/" +
                         Occurrences(dm().getObsItensEst(u"0001", u"0001", kOrder)));
}

TEST_P(ItemNotesTest, StockItemNotesMustNameTheItemsProduct) {
  AddNotedItem("0001", "OK");
  store_.Exec(
      "INSERT INTO OBSITCOMANDAEST (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
      "CDGRPOCOR, CDOCORR) VALUES ('0001', '0000000001', '0001', '001', 'OUTRO', 'G1', 'NAO')");

  EXPECT_EQ("OK", Occurrences(dm().getObsItensEst(u"0001", u"0001", kOrder)));
}

TEST_P(ItemNotesTest, RowsCarryItemNumberAsNrseq) {
  AddNotedItem("0001", "OK");

  EXPECT_EQ("001|P0001|G1|OK|0001",
            Rows(dm().getObsItens(u"0001", u"0001", kOrder),
                 {"NRSEQ", "CDPRODUTO", "CDGRPOCOR", "CDOCORR", "NRCOMANDA"}));
}

TEST_P(ItemNotesTest, EmptyBillListSelectsNothing) {
  AddNotedItem("0001", "OK");

  EXPECT_EQ("", Rows(dm().getObsItens(u"0001", u"", kOrder), {"CDOCORR"}));
  EXPECT_EQ("", Rows(dm().getObsItensEst(u"0001", u"", kOrder), {"CDOCORR"}));
}

ORDERDATA_INSTANTIATE(ItemNotesTest);

}  // namespace
}  // namespace orderdata_test
