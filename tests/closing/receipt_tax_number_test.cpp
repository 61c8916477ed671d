// The tax number printed on the receipt: given to the sale rows that have none yet (a single
// blank), never replaced by a lookup's failure message.

#include "closing/closing_fixture.h"

namespace closingtest {
namespace {

class ReceiptTaxNumberTest : public ClosingTest {
 protected:
  // The order's consumer is the sale rows' (C1, K1): whether its number goes on the receipt is
  // read with the bill.
  ReceiptTaxNumberTest() {
    store_.Exec("UPDATE VENDAREST SET CDCLIENTE = 'C1', CDCONSUMIDOR = 'K1'");
  }
  // NRINSCRCONS of every sale row after the closing, quoted.
  std::string TaxNumbers() {
    std::string text;
    rtl::TClientDataSet& vendas = dm().cdsVendas;
    for (vendas.First(); !vendas.Eof(); vendas.Next()) {
      text += "'" + vendas.FieldByName("NRINSCRCONS").AsString() + "' ";
    }
    return text;
  }
};

TEST_F(ReceiptTaxNumberTest, TheConsumersNumberGoesOnlyToRowsWithABlank) {
  store_.Exec(
      "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NRCPFRESPCON, IDIMPCPFCUPOM) VALUES "
      "('C1', 'K1', '123.456.789-09', 'S')");
  saleRows_ = {SaleRow{}, SaleRow{}, SaleRow{}};
  saleRows_[1].nrinscrcons = "";
  saleRows_[2].nrinscrcons = "99";
  saleRows_[0].quantidade = saleRows_[1].quantidade = saleRows_[2].quantidade = "1";
  store_.Exec("UPDATE MOVCAIXADLV SET VRMOVIVENDDLV = 30");
  Close();
  EXPECT_EQ("'123.456.789-09' '' '99' |IDIMPCUPEXP=3 IDSTCOMANDA=P",
            TaxNumbers() + "|" + OrderState());
}

TEST_F(ReceiptTaxNumberTest, ANumberWithoutValidCheckDigitsIsLoggedWithWhyAndTheBlankStays) {
  store_.Exec(
      "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NRCPFRESPCON, IDIMPCPFCUPOM) VALUES "
      "('C1', 'K1', '123.456.789-08', 'S')");
  Close();
  const std::string log = Log();
  const size_t at = log.find("CPF/CNPJ");
  EXPECT_EQ(
      "' ' |CPF/CNPJ '123.456.789-08' do consumidor nao usado no cupom nem no documento fiscal: "
      "tem dígito verificador inválido para um CPF",
      TaxNumbers() + "|" +
          (at == std::string::npos ? log : log.substr(at, log.find('\n', at) - at)));
}

TEST_F(ReceiptTaxNumberTest, AFailedLookupIsLoggedAndTheBlankStays) {
  dm().idImpCnpjClie = "S";
  store_.Exec(
      "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, IDIMPCPFCUPOM) VALUES ('C1', 'K1', 'N')");
  store_.Exec("DROP TABLE CLIENTE");
  Close();
  const std::string log = Log();
  const size_t start = log.find('\n') + 1;
  const std::string logged = log.substr(start, log.find('\n', start) - start);
  EXPECT_EQ("' ' |names CLIENTE: true|IDIMPCUPEXP=3 IDSTCOMANDA=P",
            TaxNumbers() + "|names CLIENTE: " +
                (logged.find("CLIENTE") != std::string::npos ? "true" : "false: " + logged) + "|" +
                OrderState());
}

}  // namespace
}  // namespace closingtest
