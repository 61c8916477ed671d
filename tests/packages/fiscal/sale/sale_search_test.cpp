// The sale of a bill as the closing loads it: one row per item that is not cancelled, the
// cancelled items apart, and empty packets for a bill that does not exist or has no items.

#include "fiscal/sale/sale_rows.h"
#include "packages/fiscal/sale_fixture.h"

namespace {

using salefixture::Render;

class SaleSearchTest : public salefixture::SaleStoreTest {
 protected:
  void SetUp() override {
    SaleStoreTest::SetUp();
    vyrtest::InsertDeliveryBill(store_, bill_);
  }
};

TEST_F(SaleSearchTest, SaleRowsAreTheItemsNotCancelledWithTheBillsValues) {
  EXPECT_EQ(
      "IDSTPROCOMVEN|CDPRODUTO|NMPRODUTO|QTPRODCOMVEN|VRPRECCOMVEN|CDARVPROD|CDLOJA|NRMESA|"
      "CDFILIAL|STOBSPEDIDO|NRSEQ|CDOPERADOR|NRCUPOMFIS|CDALIQIMPFIS|CDCLIENTE|CDCCUSCLIE|"
      "CDCONSUMIDOR|CDVENDEDOR|NRINSCRCONS|NMCONSVEND|CDSERVFILI|VRACRITVEND|VRDESITVEND|"
      "IDSTPRCOMVEN|CDSENHAPED|CDFAMILISALD|VRDESCCOMVEN|VRACRCOMVEN|NRCOMANDA|DSCOMANDA|"
      "NRVENDAREST\n"
      R"(A|1001|PIZZA MUSSARELA|2|12.5|1001|01|\N|0001|\N|001|OPER1|\N|01|CLI1|\N|)"
      R"(CONS1|\N| |MARIA DA SILVA|\N|0|1|\N|A1B2C3|F01|1|0|0001|DLV_0001|0000000001)"
      "\n"
      R"(A|2002|REFRIGERANTE LATA|1|6|2002|01|\N|0001|\N|002|OPER1|\N|01|CLI1|\N|)"
      R"(CONS1|\N| |MARIA DA SILVA|\N|0.5|0|\N|A1B2C3|F01|0|0.5|0001|DLV_0001|0000000001)"
      "\n",
      Render(Search("0001")[0].AsPacket()));
}

// The module loads both packets into tables with persistent fields.
TEST_F(SaleSearchTest, CancelledItemsComeApartAndBothPacketsLoadIntoTheModulesTables) {
  const rtl::Variant found = Search("0001");
  rtl::TClientDataSet cdsItemVenda, cdsItensCanc;
  cdsItemVenda.DeclareFields(VyrFiscal::CamposLinhaVenda());
  cdsItensCanc.DeclareFields(VyrFiscal::CamposItemCancelado());
  cdsItemVenda.SetData(found[0]);
  cdsItensCanc.SetData(found[1]);
  EXPECT_EQ(
      "CDFILIAL|CDLOJA|CDCLIENTE|CDVENDEDOR|CDPRODUTO|QTPRODCOMVEN|VRPRECCOMVEN|VRDESCCOMVEN\n"
      R"(0001|01|CLI1|\N|1001|1|12.5|0)"
      "\nsale rows: 2",
      Render(cdsItensCanc.Packet()) + "sale rows: " + std::to_string(cdsItemVenda.RecordCount()));
}

// Bill numbers recycle: closed bills before and after the waiting one had its number.
TEST_F(SaleSearchTest, ARecycledNumberGivesTheWaitingBillThenTheLatestOne) {
  for (const char* order : {"0000000000", "0000000009", "0000000005"}) {
    vyrtest::DeliveryBill closed = bill_;
    closed.nrvendarest = order;
    closed.items = {vyrtest::BillItem{}};
    vyrtest::InsertDeliveryBill(store_, closed);
  }
  const auto bills = [this] {
    rtl::TClientDataSet rows;
    rows.SetData(Search("0001")[0]);
    std::string text;
    for (rows.First(); !rows.Eof(); rows.Next())
      text += rows.FieldByName("NRVENDAREST").AsString() + ";";
    return text;
  };
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '3' WHERE NRVENDAREST <> '0000000001'");
  std::string seen = bills();
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '3'");
  seen += " | " + bills();
  EXPECT_EQ("0000000001;0000000001; | 0000000009;", seen);
}

// A bill that does not exist, and one that exists without items.
TEST_F(SaleSearchTest, AnUnknownBillOrOneWithoutItemsGivesBothPacketsWithoutRows) {
  std::string seen;
  for (const bool sem_itens : {false, true}) {
    if (sem_itens) store_.Exec("DELETE FROM ITCOMANDAVEN");
    const rtl::Variant found = Search(sem_itens ? bill_.nrcomanda : "9999");
    seen += std::to_string(found[0].AsPacket().FieldCount()) + " fields, " +
            std::to_string(found[0].AsPacket().RowCount()) + " rows; " +
            std::to_string(found[1].AsPacket().FieldCount()) + " fields, " +
            std::to_string(found[1].AsPacket().RowCount()) + " rows\n";
  }
  EXPECT_EQ("31 fields, 0 rows; 8 fields, 0 rows\n31 fields, 0 rows; 8 fields, 0 rows\n", seen);
}

}  // namespace
