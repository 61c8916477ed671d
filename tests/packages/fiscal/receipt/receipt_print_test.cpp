// DisparaImpressaoNaoFiscal: the closing's print request printed to the register's printer, with
// the text copy and the QR image kept in the program directory's "Dados/Impressao" folder.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fiscal/fiscal_functions.h"
#include "fiscal/sat/sat_answer.h"
#include "packages/fiscal/nfce_test_support.h"
#include "packages/fiscal/sale_fixture.h"
#include "rtl/client_dataset.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "rtl/field_def.h"
#include "rtl/program_dir.h"

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

  // The copies of the branch's day `dia` ("YYYY-MM-DD").
  std::string Pasta(const std::string& dia) const {
    return store_.Dir() + "/Dados/Impressao/" + dia + "/";
  }

  Variant retorno_;
};

// A bill closed on an NFC-e register (authorised by the simulated authoriser), then printed as
// the closing asks for it. The host runs on UTC: the note and the receipt keep the branch's time.
TEST_F(ReceiptPrintTest, NfceReceiptOfAClosedBill) {
  const vyrtest::ScopedTimeZone utc("UTC0");
  vyrtest::InsertDeliveryBill(store_, bill_);
  std::filesystem::copy_file(nfcetest::Certificate().pfx_path, store_.Dir() + "/Dados/a1.pfx");
  nfcetest::InstallSchemas(store_.Dir());
  store_.Exec(
      "INSERT INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, NRSERIENFCE, IDCSCNFCE, CDCSCNFCE, "
      "DSARQCERTIF, DSSENHACERTIF, IDMODOAUTORIZ, DSURLQRCODE) VALUES ('0001', '001', '1', '1', "
      "'CSC-DE-TESTE', 'Dados/a1.pfx', ?, 'simulado', 'https://nfce.sefaz.example/qrcode')",
      {VyrUtil::Cripto(nfcetest::Certificate().password, VyrFiscal::Nfce::kChaveSenhaCertificado)});
  register_.id_tipo_emissao = "N";
  register_.nr_nfce = "57";
  register_.nr_serie_nfce = "1";
  register_.id_amb_trab_nfce = "2";
  register_.dt_emiss_nfce = "2026-03-10T22:42:05+00:00";
  receipt_tax_number_ = "12345678909";
  Variant retorno;
  ASSERT_EQ("0000000001", Record(retorno));
  const std::string chave = retorno[1].AsString();

  Linha l;
  l.chave = chave;
  l.senha = "A1B2C3";
  l.porta = "file:nfce.prn";
  retorno = Variant::Array(10);
  // Printed after midnight on this host's clock: the copy is still filed under the note's day.
  clock_.Set(rtl::EncodeDateTime({2026, 3, 11, 0, 10, 0, 0}));
  VyrFiscal::DisparaImpressaoNaoFiscal(ListaDeImpressao("VENDA_NFCe", l), retorno);
  const std::string texto = Le(Pasta("2026-03-10") + "NFCe" + chave + ".txt");
  EXPECT_EQ(
      "EMITIDA EM AMBIENTE DE HOMOLOGAÇÃO - SEM VALOR|1001 PIZZA MUSSARELA|"
      "2002 REFRIGERANTE LATA|Valor a Pagar R$                           30,50|"
      "CONSUMIDOR - CPF 123.456.789-09|NFC-e nº 000000057 Série 001|"
      "Emissão: 10/03/2026 19:42:05|Protocolo de Autorização: " +
          store_.Scalar("SELECT NRPROTNFCE FROM NFCEVENDA") +
          "|Tributos aproximados: tabela IBPT não carregada|key: 1, QR image: \x89PNG",
      Linhas(texto, {"HOMOLOGA", "1001", "2002", "Pagar", "CONSUMIDOR -", "NFC-e", "Emiss",
                     "Protocolo", "Tributos"}) +
          "key: " + std::to_string(Contem(texto, chave.substr(0, 4) + " " + chave.substr(4, 4))) +
          ", QR image: " + Le(Pasta("2026-03-10") + "NFCe" + chave + ".png").substr(0, 4));
}

// A bill closed on a SAT register: the CF-e issued by the device emulator, stored with the sale,
// then the extract printed as the closing asks for it, headed by the emitter the CF-e names (the
// device's activation, not the store's branch) and numbered as the CF-e. The host runs on UTC;
// the device's clock (the emulator's) shows São Paulo's time.
TEST_F(ReceiptPrintTest, SatExtractOfAClosedBill) {
  const vyrtest::ScopedTimeZone utc("UTC0");
  setenv("VYR_SAT_EMULADOR_DIR", (store_.Dir() + "/Dados/SatEmulador").c_str(), 1);
  vyrtest::InsertDeliveryBill(store_, bill_);
  store_.Exec("INSERT INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, DSLIBSAT) VALUES (?, ?, ?)",
              {"0001", "001", "libVyrSatEmulador.so"});
  ASSERT_EQ("0000000001", Record());
  std::vector<std::string> valores;
  const bool aceito = VyrFiscal::SATOnline("0001", "001", "0000000001", "N", "123456789",
                                           store_.Dir() + "/xml/", "1.20", "0.80", valores);
  unsetenv("VYR_SAT_EMULADOR_DIR");
  ASSERT_TRUE(aceito);
  const std::string xml = VyrFiscal::ValorSat(valores, "arqxmlnfce");
  Linha l;
  l.chave = VyrFiscal::ValorSat(valores, "chaveConsulta");
  const std::string digitos = l.chave.substr(l.chave.size() - 44);  // with or without "CFe"
  l.qrCode = digitos + "|" + VyrFiscal::ValorSat(valores, "timeStamp") + "|" +
             VyrFiscal::ValorSat(valores, "valorTotalCFe") + "||" +
             VyrFiscal::ValorSat(valores, "assinaturaQRCODE");
  VyrFiscal::AtualizaVendaSat("0001", "001", "0000000001", xml.substr(xml.find("nCFe") + 5, 6),
                              l.qrCode, valores);
  l.senha = "A1B2C3";
  l.porta = "file:sat.prn";
  l.ibpt = "1.20";
  l.ibptEs = "0.80";
  l.nrSerieSat = xml.substr(xml.find("nserieSAT") + 10, 9);
  retorno_ = Variant::Array(10);
  VyrFiscal::DisparaImpressaoNaoFiscal(ListaDeImpressao("EXTRATO_SAT", l), retorno_);
  EXPECT_EQ(
      "EMULADOR SAT|EMITENTE DE TESTE DO EMULADOR SAT|RUA DE TESTE, 1 - CENTRO|"
      "Extrato No. 000001|= T E S T E =|001 1001 PIZZA MUSSARELA|002 2002 REFRIGERANTE LATA|"
      "TOTAL R$                                   30,50|"
      "Valores aproximados dos tributos: Fed R$ 1,20 /|"
      "Est R$ 0,80 Fonte: IBPT (Lei Fed. 12.741/2012)|SAT No. " +
          l.nrSerieSat + "|10/03/2026 16:42:05|",
      Linhas(Le(Pasta("2026-03-10") + "CFe" + digitos + ".txt"),
             {"EMULADOR", "RUA DE TESTE", "Extrato", "T E S T E", "1001", "2002", "TOTAL", "Fed",
              "SAT No", "/2026"}));
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
      Linhas(Le(Pasta(rtl::FormatDateIso(rtl::Now())) +
                "NFCe41200323285089000185650010000013051817822496.txt"),
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
  const std::string base = Pasta("2015-07-18") + "CFe35150908723218000186599000040190000723645630";
  EXPECT_EQ(
      "CNPJ: 08.723.218/0001-86|Extrato No. 000072|Valores aproximados "
      "dos tributos: Fed R$ 0,23 /|"
      "Est R$ 0,36 Fonte: IBPT (Lei Fed. 12.741/2012)|SAT No. 900004019|18/07/2015 15:44:23|"
      "SENHA 17|image: \x89PNG, printed QR: 1, bar codes: 2",
      Linhas(Le(base + ".txt"), {"CNPJ", "Extrato", "R$", "SAT No", "2015", "SENHA"}) +
          "image: " + Le(base + ".png").substr(0, 4) + ", printed QR: " +
          std::to_string(Contem(impresso, GuardaQr(l.qrCode))) + ", bar codes: " +
          std::to_string(Contem(impresso, std::string("\x1dkI\x0e{C\x23\x0f", 8)) +
                         Contem(impresso, std::string("\x1dkI\x0c{C\x00\x04", 8))));
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
