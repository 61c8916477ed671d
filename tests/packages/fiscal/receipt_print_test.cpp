// DisparaImpressaoNaoFiscal: the closing's print request printed to the register's printer, with
// the text copy and the QR image kept in the program directory's "Dados/Impressao" folder.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "fiscal/fiscal_functions.h"
#include "fiscal/receipt/receipt_source.h"
#include "rtl/client_dataset.h"
#include "rtl/errors.h"
#include "rtl/field_def.h"
#include "rtl/program_dir.h"
#include "sale_fixture.h"
#include "support/package_fakes.h"

namespace {

using rtl::Variant;

struct Linha {
  std::string chave, senha, porta, qrCode, ibpt, ibptEs, dataEmissao, nrSerieSat;
};

// The print list as the closing makes it, with the parameters row's printer and SAT fields.
Variant ListaDeImpressao(const std::string& tipo, const Linha& l) {
  rtl::TClientDataSet cds("cdsParamImpCupNF");
  cds.DeclareFields({rtl::TextField("SENHACUPOM", 6), rtl::TextField("DATAEMISSNFCE", 30),
                     rtl::TextField("CHAVEACESSONFCe", 55), rtl::TextField("stIBPT", 10),
                     rtl::TextField("stIBPTES", 10), rtl::TextField("NRSERIESAT", 50),
                     rtl::TextField("QRCODENFCe", 8000), rtl::TextField("NRSEQIMPRLOJA6", 5),
                     rtl::TextField("IDTIPOIMPNF6", 5), rtl::TextField("CDPORTAIMPNF6", 15)});
  cds.CreateDataSet();
  cds.Append();
  auto poe = [&](const char* campo, const std::string& valor) {
    if (!valor.empty()) cds.FieldByName(campo).SetAsString(valor);
  };
  poe("CHAVEACESSONFCe", l.chave);
  poe("SENHACUPOM", l.senha);
  poe("NRSEQIMPRLOJA6", "1");
  poe("IDTIPOIMPNF6", "19");
  poe("CDPORTAIMPNF6", l.porta);
  poe("QRCODENFCe", l.qrCode);
  poe("stIBPT", l.ibpt);
  poe("stIBPTES", l.ibptEs);
  poe("DATAEMISSNFCE", l.dataEmissao);
  poe("NRSERIESAT", l.nrSerieSat);
  cds.Post();
  return Variant(std::vector<Variant>{false, tipo, Variant::Omitted(), Variant::Omitted(),
                                      Variant::Omitted(), cds.Data(), ""});
}

std::string Le(const std::string& arquivo) {
  std::ifstream entrada(arquivo, std::ios::binary);
  if (!entrada) return "(missing)";
  std::stringstream conteudo;
  conteudo << entrada.rdbuf();
  return conteudo.str();
}

// The ESC/POS command that hands the printer a QR code's text.
std::string GuardaQr(const std::string& texto) {
  const size_t n = texto.size() + 3;
  return std::string{'\x1d', '(',    'k',   static_cast<char>(n & 0xFF), static_cast<char>(n >> 8),
                     '\x31', '\x50', '\x30'} +
         texto;
}

// The lines of `texto` that contain one of `palavras`, without their leading blanks, each
// followed by "|".
std::string Linhas(const std::string& texto, std::initializer_list<const char*> palavras) {
  std::istringstream linhas(texto);
  std::string linha, achadas;
  while (std::getline(linhas, linha)) {
    for (const char* palavra : palavras) {
      if (linha.find(palavra) == std::string::npos || linha.find('|') != std::string::npos) {
        continue;
      }
      achadas += linha.substr(linha.find_first_not_of(' ')) + "|";
      break;
    }
  }
  return achadas;
}

bool Contem(const std::string& texto, const std::string& parte) {
  return texto.find(parte) != std::string::npos;
}

class ReceiptPrintTest : public salefixture::SaleStoreTest {
 protected:
  void SetUp() override {
    SaleStoreTest::SetUp();
    rtl::SetProgramDirectory(store_.Dir());
  }
  void TearDown() override {
    rtl::SetProgramDirectory("");
    SaleStoreTest::TearDown();
  }

  std::string Pasta() const { return store_.Dir() + "/Dados/Impressao/"; }
};

TEST_F(ReceiptPrintTest, NfceReceiptOfARecordedSale) {
  vyrtest::InsertDeliveryBill(store_, bill_);
  receipt_tax_number_ = "12345678909";
  ASSERT_EQ("0000000001", Record());
  const std::string chave = "35260311222333000181650010000001231482135765";
  vyrtest::ScopedOverride localiza(
      VyrFiscal::Receipt::LocalizaVenda,
      [&](ado::TADOConnection&, VyrFiscal::Receipt::TipoRecibo,
          const std::string& procurada) -> std::optional<VyrFiscal::Receipt::VendaDoDocumento> {
        if (procurada != chave) return std::nullopt;
        return VyrFiscal::Receipt::VendaDoDocumento{"0001", "001", "0000000001"};
      });
  Linha l;
  l.chave = chave;
  l.senha = "A1B2C3";
  l.porta = "file:nfce.prn";
  Variant retorno = Variant::Array(10);
  VyrFiscal::DisparaImpressaoNaoFiscal(ListaDeImpressao("VENDA_NFCe", l), retorno);
  EXPECT_EQ(
      "             PIZZARIA EXEMPLO LTDA\n"
      "   CNPJ: 11.222.333/0001-81 IE: 111222333444\n"
      "          RUA DAS FLORES, 100 - CENTRO\n"
      "                 SAO PAULO - SP\n"
      "Documento Auxiliar da Nota Fiscal de Consumidor\n"
      "                   Eletrônica\n"
      "------------------------------------------------\n"
      "Código Descrição\n"
      "Qtde UN x Vl Unit                       Vl Total\n"
      "------------------------------------------------\n"
      "1001 PIZZA MUSSARELA\n"
      "  2 UN x 12,50                             25,00\n"
      "  Desconto                                 -1,00\n"
      "2002 REFRIGERANTE LATA\n"
      "  1 UN x 6,00                               6,00\n"
      "  Acréscimo                                 0,50\n"
      "------------------------------------------------\n"
      "Qtde total de itens                            2\n"
      "Valor total R$                             31,00\n"
      "Desconto R$                                 1,00\n"
      "Acréscimo R$                                0,50\n"
      "Valor a Pagar R$                           30,50\n"
      "FORMA PAGAMENTO                    VALOR PAGO R$\n"
      "DINHEIRO                                   10,00\n"
      "CARTAO                                     15,50\n"
      "CONTA CONSUMIDOR                            5,00\n"
      "------------------------------------------------\n"
      "        Consulte pela Chave de Acesso em\n"
      "         3526 0311 2223 3300 0181 6500\n"
      "            1000 0001 2314 8213 5765\n"
      "------------------------------------------------\n"
      "        CONSUMIDOR - CPF 123.456.789-09\n"
      "                 MARIA DA SILVA\n"
      "AV PAULISTA 1000, AP 12 - JARDINS - SP 01310100\n"
      "PERTO DO METRO\n"
      "          NFC-e nº 000000123 Série 001\n"
      "------------------------------------------------\n"
      "Valores aproximados dos tributos: Fed R$ 0,00 /\n"
      "Est R$ 0,00 Fonte: IBPT\n"
      "------------------------------------------------\n"
      "            SENHA A1B2C3\n",
      Le(Pasta() + "NFCe" + chave + ".txt"));
}

// Without the note's stored data the receipt prints what its key says.
TEST_F(ReceiptPrintTest, NfceReceiptOfAKeyWithoutStoredNote) {
  Linha l;
  l.chave = "41200323285089000185650010000013051817822496";
  l.senha = "0042";
  l.porta = "file:nfce.prn";
  Variant retorno = Variant::Array(10);
  VyrFiscal::DisparaImpressaoNaoFiscal(ListaDeImpressao("VENDA_NFCe", l), retorno);

  const std::string impresso = Le(store_.Dir() + "/nfce.prn");
  EXPECT_EQ(
      "CNPJ: 23.285.089/0001-85|NFC-e nº 000001305 Série 001|SENHA 0042|"
      "printed in PC860: 1, cut: 1",
      Linhas(Le(Pasta() + "NFCe41200323285089000185650010000013051817822496.txt"),
             {"CNPJ", "NFC-e", "SENHA"}) +
          "printed in PC860: " +
          std::to_string(Contem(impresso, "\x1b\x40\x1b\x74\x03") &&
                         Contem(impresso, "Eletr\x93nica")) +
          ", cut: " + std::to_string(Contem(impresso, "\x1d\x56\x01")));
}

TEST_F(ReceiptPrintTest, SatExtractWithBarCodeQrCodeAndItsImage) {
  Linha l;
  l.chave = "CFe35150908723218000186599000040190000723645630";
  l.senha = "17";
  l.porta = "file:sat.prn";
  l.qrCode = "35150908723218000186599000040190000723645630|20150718154423|2.00||Z5nVOl";
  l.ibpt = "0.23";
  l.ibptEs = "0.36";
  l.dataEmissao = "2015-07-18T15:44:23-03:00";
  l.nrSerieSat = "900004019";
  Variant retorno = Variant::Array(10);
  VyrFiscal::DisparaImpressaoNaoFiscal(ListaDeImpressao("EXTRATO_SAT", l), retorno);

  const std::string impresso = Le(store_.Dir() + "/sat.prn");
  const std::string base = Pasta() + "CFe35150908723218000186599000040190000723645630";
  EXPECT_EQ(
      "CNPJ: 08.723.218/0001-86|Extrato No. 000072|CPF/CNPJ do Consumidor: |Valores aproximados "
      "dos tributos: Fed R$ 0,23 /|"
      "Est R$ 0,36 Fonte: IBPT (Lei Fed. 12.741/2012)|SAT No. 900004019|18/07/2015 15:44:23|"
      "SENHA 17|image: \x89PNG, printed QR: 1, bar codes: 2",
      Linhas(Le(base + ".txt"), {"CNPJ", "Extrato", "R$", "SAT No", "2015", "SENHA"}) +
          "image: " + Le(base + ".png").substr(0, 4) + ", printed QR: " +
          std::to_string(Contem(impresso, GuardaQr(l.qrCode))) + ", bar codes: " +
          std::to_string(Contem(impresso, std::string("\x1dkI\x0d{C\x23\x0f", 8)) +
                         Contem(impresso, std::string("\x1dkI\x0d{C\x5a\x00", 8))));
}

TEST_F(ReceiptPrintTest, UnknownPrintKindRaises) {
  Variant retorno = Variant::Array(10);
  try {
    VyrFiscal::DisparaImpressaoNaoFiscal(ListaDeImpressao("RELATORIO", Linha{}), retorno);
    FAIL() << "no error";
  } catch (const rtl::Exception& e) {
    EXPECT_STREQ(
        "DisparaImpressaoNaoFiscal: unknown print kind 'RELATORIO' (VENDA_NFCe or "
        "EXTRATO_SAT)",
        e.what());
  }
}

}  // namespace
