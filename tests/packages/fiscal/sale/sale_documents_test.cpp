// What the documents of a recorded sale use: the sale read back, the register's NFC-e series and
// the emission time, and the mark of a sale whose document is still pending.

#include "fiscal/sale/recorded_sale.h"
#include "packages/fiscal/sale_fixture.h"
#include "rtl/errors.h"

namespace {

class SaleDocumentsTest : public salefixture::SaleStoreTest {
 protected:
  void SetUp() override {
    SaleStoreTest::SetUp();
    vyrtest::InsertDeliveryBill(store_, bill_);
  }
};

std::string Money(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

std::string Describe(const VyrFiscal::VendaGravada& v) {
  const VyrFiscal::Emitente& e = v.emitente;
  const VyrFiscal::Destinatario& d = v.destinatario;
  std::string text = v.CDFILIAL + "/" + v.CDCAIXA + "/" + v.NRSEQVENDA + " loja " + v.CDLOJA +
                     " pedido " + v.NRVENDAREST + " comanda " + v.NRCOMANDA + " senha " + v.senha +
                     "\nemit " + e.CNPJ + "|" + e.xNome + "|" + e.xFant + "|" + e.IE + "|" + e.CRT +
                     "|" + e.xLgr + "|" + e.nro + "|" + e.xBairro + "|" + e.cMun + "|" + e.xMun +
                     "|" + e.UF + "|" + e.cUF + "|" + e.CEP + "|" + e.fone + "\ndest " + d.CPFCNPJ +
                     "|" + d.xNome + "|" + d.xLgr + "|" + d.xCpl + "|" + d.xBairro + "|" + d.cMun +
                     "|" + d.UF + "|" + d.CEP + "|" + d.xRef + "|" + d.CDCLIENTE + "|" +
                     d.CDCONSUMIDOR + "\n";
  for (const VyrFiscal::ItemVendido& i : v.itens) {
    text += "item " + std::to_string(i.nItem) + " " + i.cProd + "|" + i.xProd + "|" + i.NCM + "|" +
            i.CFOP + "|" + i.uCom + "|" + i.orig + "|" + i.CSTICMS + "|" + Money(i.pICMS) + "|" +
            Money(i.qCom) + "|" + Money(i.vUnCom) + "|" + Money(i.vProd) + "|" + Money(i.vDesc) +
            "|" + Money(i.vOutro) + "|" + Money(i.vTotTrib) + "\n";
  }
  for (const VyrFiscal::Pagamento& p : v.pagamentos) {
    text += "pag " + p.CDTIPORECE + "|" + p.NMTIPORECE + "|" + p.IDTIPORECE + "|" + p.CDFPIMPFIS +
            "|" + Money(p.valor) + "|" + p.CDNSUHOSTTEF + "\n";
  }
  return text + "total " + Money(v.vProd) + " - " + Money(v.vDesc) + " + " + Money(v.vOutro) +
         " = " + Money(v.vNF) + " trib " + Money(v.vTribFederal) + "/" + Money(v.vTribEstadual);
}

TEST_F(SaleDocumentsTest, TheRecordedSaleReadsBackWithEmitterConsumerItemsAndPayments) {
  receipt_tax_number_ = "123.456.789-09";
  ASSERT_EQ("0000000001", Record());
  EXPECT_EQ(
      "0001/001/0000000001 loja 01 pedido 0000000001 comanda 0001 senha A1B2C3\n"
      "emit 11222333000181|PIZZARIA EXEMPLO LTDA|PIZZARIA EXEMPLO|111222333444|3|RUA DAS FLORES|"
      "100|CENTRO|3550308|SAO PAULO|SP|35|01001000|1133334444\n"
      "dest 12345678909|MARIA DA SILVA|AV PAULISTA 1000|AP 12|JARDINS|3550308|SP|01310100|"
      "PERTO DO METRO|CLI1|CONS1\n"
      "item 1 1001|PIZZA MUSSARELA|19059090|5102|UN|0|00|18.00|2.00|12.50|25.00|1.00|0.00|0.00\n"
      "item 2 2002|REFRIGERANTE LATA|22021000|5102|UN|0|00|12.00|1.00|6.00|6.00|0.00|0.50|0.00\n"
      "pag 001|DINHEIRO|1|01|10.00|\n"
      "pag 002|CARTAO|2|01|15.50|NSU123\n"
      "pag 009|CONTA CONSUMIDOR|9|05|5.00|\n"
      "total 31.00 - 1.00 + 0.50 = 30.50 trib 0.00/0.00",
      Describe(VyrFiscal::LeVendaGravada(VyrFiscal::ConexaoFiscal(), "0001", "001", "0000000001")));
}

// On a Simples Nacional branch a soft drink under tax substitution (CST 60) declares CSOSN 500
// and a dish (CST 00) CSOSN 102, with the regime's PIS/COFINS unless the product sets its own;
// the delivery address keeps its number and town; a marketplace origin names its intermediary.
TEST_F(SaleDocumentsTest, TheBranchsRegimeDecidesWhatItsItemsDeclare) {
  vyrtest::FiscalBranch simples;
  simples.regime = "1";
  vyrtest::InsertFiscalBranch(store_, "0001", simples);
  store_.Exec(
      "UPDATE PRODUTO SET CDSITTRIBICMS = '60', CDCEST = '0300700', CDGTIN = '7891000315507', "
      "CDSITTRIBPIS = '04' WHERE CDPRODUTO = '2002'");
  store_.Exec("UPDATE COMANDAVEN SET NRENDECONSCOM = '1000', NMMUNICONSCOM = 'SAO PAULO'");
  store_.Exec("INSERT INTO INTERMEDVENDA VALUES ('0001', 'IFOOD', '14380200000121', 'LOJA-77')");
  register_.id_origem_venda = "IFOOD";
  ASSERT_EQ("0000000001", Record());
  const VyrFiscal::VendaGravada v =
      VyrFiscal::LeVendaGravada(VyrFiscal::ConexaoFiscal(), "0001", "001", "0000000001");
  std::string text = "dest " + v.destinatario.xLgr + "|" + v.destinatario.nro + "|" +
                     v.destinatario.xMun + " origem " + v.origem + "|" + v.cnpjIntermediador + "|" +
                     v.idCadIntTran + "\n";
  for (const VyrFiscal::ItemVendido& i : v.itens) {
    text += i.cProd + " " + i.situacaoProduto + "->" + i.CSTICMS + " PIS " + i.CSTPIS + " " +
            Money(i.pPIS) + "/" + Money(i.pCOFINS) + " GTIN " + i.GTIN + " CEST " + i.CEST + "\n";
  }
  EXPECT_EQ(
      "dest AV PAULISTA 1000|1000|SAO PAULO origem IFOOD|14380200000121|LOJA-77\n"
      "1001 00->102 PIS 49 0.00/0.00 GTIN  CEST \n"
      "2002 60->500 PIS 04 0.00/0.00 GTIN 7891000315507 CEST 0300700\n",
      text);
}

TEST_F(SaleDocumentsTest, AnUnknownSaleCannotBeRead) {
  EXPECT_THROW(VyrFiscal::LeVendaGravada(VyrFiscal::ConexaoFiscal(), "0001", "001", "0000000009"),
               rtl::EDatabaseError);
}

// The sale stays sold; the mark says which document it still awaits.
TEST_F(SaleDocumentsTest, APendingDocumentMarksTheSaleWithoutCancellingIt) {
  ASSERT_EQ("0000000001", Record());
  // A register with neither document records no pending state.
  const std::string recorded = PendingDocument();
  rtl::Variant retorno = rtl::Variant::Array(10);
  VyrFiscal::AlteraVendaCan(
      rtl::Variant(std::vector<rtl::Variant>{
          "0000000001", "0001", "001", rtl::Variant::FromDateTime(rtl::Date()), "", "", "", "SAT"}),
      retorno);
  EXPECT_EQ("\\N 0 -> A|SAT|1\n",
            recorded + " -> " +
                salefixture::Render(store_.Query(
                    "SELECT IDSITUVENDA, IDDOCPENDVENDA, DTDOCPENDVENDA IS NOT NULL FROM VENDA")));
}

TEST_F(SaleDocumentsTest, TheSeriesIsTheRegistersOrOne) {
  vyrtest::InsertRegisterFiscalSettings(store_, "0001", "001", "7");
  vyrtest::InsertRegisterFiscalSettings(store_, "0001", "002", "");
  EXPECT_EQ("7 1 1", VyrFiscal::getNumeroSerieNFCe("0001", "001") + " " +
                         VyrFiscal::getNumeroSerieNFCe("0001", "002") + " " +
                         VyrFiscal::getNumeroSerieNFCe("0001", "003"));
}

TEST_F(SaleDocumentsTest, TheEmissionTimeCarriesTheLocalOffset) {
  const vyrtest::ScopedTimeZone zone("<-03>3");
  EXPECT_EQ("2026-03-10T19:42:05-03:00", VyrFiscal::getDataEmissNFCe());
}

}  // namespace
