// A sale recorded by the fiscal package, sent to the SAT emulator as the closing sends it, and
// its CF-e stored with the sale.

#include <stdlib.h>

#include <regex>

#include "fiscal/sat/sat_answer.h"
#include "packages/fiscal/sale_fixture.h"
#include "rtl/program_dir.h"

namespace {

using VyrFiscal::ValorSat;

class SatRecordedSaleTest : public salefixture::SaleStoreTest {
 protected:
  void SetUp() override {
    SaleStoreTest::SetUp();
    rtl::SetProgramDirectory(store_.Dir());
    setenv("VYR_SAT_EMULADOR_DIR", (store_.Dir() + "/Dados/SatEmulador").c_str(), 1);
    vyrtest::InsertDeliveryBill(store_, bill_);
    store_.Exec("INSERT INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, DSLIBSAT) VALUES (?, ?, ?)",
                {"0001", "001", "libVyrSatEmulador.so"});
  }
  void TearDown() override {
    unsetenv("VYR_SAT_EMULADOR_DIR");
    rtl::SetProgramDirectory("");
    SaleStoreTest::TearDown();
  }
};

// The elements of the issued CF-e that come from the recorded sale and those the device adds:
// the emitter's name, address and regime, the taxes, the totals and the signature.
std::string Conteudo(const std::string& xml) {
  std::string texto = xml.find("<SignatureValue>") != std::string::npos ? "signed " : "unsigned ";
  const std::regex elemento(
      "<(CPF|xNome|xLgr|cRegTrib|xProd|vItem|vICMS|vPIS|vCOFINS|vProd|vCFe|vCFeLei12741|cMP|vMP)>"
      "([^<]*)<");
  for (std::sregex_iterator it(xml.begin(), xml.end(), elemento), fim; it != fim; ++it) {
    texto += (*it)[1].str() + "=" + (*it)[2].str() + " ";
  }
  return texto;
}

TEST_F(SatRecordedSaleTest, TheRecordedSaleGetsItsCFeAndKeepsIt) {
  receipt_tax_number_ = "123.456.789-09";
  register_.id_tipo_emissao = "S";
  ASSERT_EQ("0000000001", Record());
  std::string pendente = PendingDocument() + ", ";
  std::vector<std::string> valores;
  const bool aceito = VyrFiscal::SATOnline("0001", "001", "0000000001", "N", "123456789",
                                           store_.Dir() + "/xml/", "1.20", "0.80", valores);
  // What the closing does with the answer.
  const std::string xml = ValorSat(valores, "arqxmlnfce");
  const std::string nrCfe = xml.substr(xml.find("nCFe") + 5, 6);
  const std::string qr = ValorSat(valores, "chaveConsulta") + "|" + ValorSat(valores, "timeStamp") +
                         "|" + ValorSat(valores, "valorTotalCFe") + "|" +
                         ValorSat(valores, "CPFCNPJValue") + "|" +
                         ValorSat(valores, "assinaturaQRCODE");
  pendente += PendingDocument() + ", ";
  VyrFiscal::AtualizaVendaSat("0001", "001", "0000000001", nrCfe, qr, valores);
  pendente += PendingDocument();
  EXPECT_EQ(
      "NAOEMITIDO 1, \\N 0, \\N 0\n"
      "accepted 06000 30.50 12345678909\n"
      "signed xNome=EMITENTE DE TESTE DO EMULADOR SAT xLgr=RUA DE TESTE cRegTrib=3 "
      "CPF=12345678909 xNome=MARIA DA SILVA xLgr=AV PAULISTA 1000 "
      "xProd=PIZZA MUSSARELA vProd=25.00 vItem=24.00 vICMS=4.32 vPIS=0.16 vCOFINS=0.72 "
      "xProd=REFRIGERANTE LATA vProd=6.00 vItem=6.50 vICMS=0.78 vPIS=0.04 vCOFINS=0.20 "
      "vICMS=5.10 vProd=31.00 vPIS=0.20 vCOFINS=0.92 vCFe=30.50 vCFeLei12741=2.00 "
      "cMP=01 vMP=10.00 cMP=01 vMP=15.50 cMP=05 vMP=5.00 \n"
      "000001|000001|key|qr",
      pendente + "\n" + std::string(aceito ? "accepted " : "refused ") +
          ValorSat(valores, "EEEEE") + " " + ValorSat(valores, "valorTotalCFe") + " " +
          ValorSat(valores, "CPFCNPJValue") + "\n" + Conteudo(xml) + "\n" +
          store_.Scalar("SELECT NRCUPOMFIS FROM VENDA WHERE NRSEQVENDA = '0000000001'") + "|" +
          store_.Scalar("SELECT NRCFESAT FROM VENDACFESAT") + "|" +
          (store_.Scalar("SELECT NRCHAVECFE FROM VENDACFESAT") == ValorSat(valores, "chaveConsulta")
               ? "key"
               : "other key") +
          "|" + (store_.Scalar("SELECT DSQRCODECFE FROM VENDACFESAT") == qr ? "qr" : "other qr"));
}

}  // namespace
