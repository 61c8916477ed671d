// A recorded sale's CF-e: sent to the register's SAT device (the emulator) once, stored with the
// sale in a real store, and answered from the store when the sale comes back.

#include <stdlib.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>

#include "fiscal/fiscal_functions.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/register_fault.h"
#include "fiscal/sat/cfe_sale_xml.h"
#include "fiscal/sat/sat_answer.h"
#include "fiscal/sat/sat_emission.h"
#include "fiscal/sat/sat_library.h"
#include "fiscal/sat/stored_cfe.h"
#include "packages/fiscal/sat_test_sale.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"
#include "support/seams.h"
#include "support/store_builders.h"
#include "support/temp_store.h"
#include "vyrutil/xml_folder.h"

namespace {

using VyrFiscal::ValorSat;

class SatEmissionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rtl::SetProgramDirectory(store_.Dir());
    setenv("VYR_SAT_EMULADOR_DIR", (store_.Dir() + "/Dados/SatEmulador").c_str(), 1);
    setenv("VYR_CONEXAO", store_.SqliteConnectionString().c_str(), 1);
    conexao_.ConnectionString = store_.SqliteConnectionString();
    store_.Exec("INSERT INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, DSLIBSAT) VALUES (?, ?, ?)",
                {"0001", "001", VyrFiscal::Sat::kBibliotecaEmulador});
    pedido_ = {"0001", "001", "0000000042", "N", "123456789", store_.Dir() + "/xml",
               "5.10", "3.31"};
  }
  void TearDown() override {
    VyrFiscal::ConexaoFiscal().Close();
    unsetenv("VYR_CONEXAO");
    unsetenv("VYR_SAT_EMULADOR_DIR");
    rtl::SetProgramDirectory("");
  }

  bool Emite(std::vector<std::string>& valores) {
    return VyrFiscal::Sat::EmiteCFeSat(
        conexao_, pedido_,
        [this] {
          ++leituras_;
          return sattest::VendaDeTeste();
        },
        valores);
  }

  // The stored CF-e, its number and key checked against the device's answer; its file recorded
  // relative to the program directory.
  std::string Gravado(const std::vector<std::string>& valores) const {
    const vyrtest::Rows rows = store_.Query(
        "SELECT NRCFESAT, NRCHAVECFE, DSQRCODECFE, NRSERIESAT, DSTIMESTAMPSAT, DSARQXMLCFE, "
        "NRSESSAOSAT, DSRETORNOSAT FROM VENDACFESAT");
    std::string texto;
    for (const auto& r : rows) {
      const std::string chave = ValorSat(valores, "chaveConsulta");
      texto += r[0] + " " + (r[1] == chave ? "key" : "other-key:" + r[1]) + " " +
               (r[2] == chave + "|" + ValorSat(valores, "timeStamp") + "|61.80|12345678909|" +
                            ValorSat(valores, "assinaturaQRCODE")
                    ? "qr"
                    : "other-qr:" + r[2]) +
               " " + r[3] + " " + (r[4] == ValorSat(valores, "timeStamp") ? "ts" : "other-ts") +
               " " + (r[5] == "xml/CFe" + chave + ".xml" ? "file" : r[5]) + " " +
               (r[6] == ValorSat(valores, "numeroSessao") ? "session" : "other-session") + " " +
               r[7].substr(7, 5) + "\n";
    }
    return texto;
  }

  std::string UltimoCFeDoEmulador() const {
    std::ifstream in(store_.Dir() + "/Dados/SatEmulador/emulador.ini");
    for (std::string linha; std::getline(in, linha);) {
      if (linha.rfind("ultimoCFe=", 0) == 0) return linha.substr(10);
    }
    return "none";
  }

  vyrtest::TempStore store_;
  ado::TADOConnection conexao_;
  VyrFiscal::Sat::PedidoSat pedido_;
  int leituras_ = 0;
};

TEST_F(SatEmissionTest, AnIssuedCFeIsStoredAndItsXmlWritten) {
  std::vector<std::string> valores;
  ASSERT_TRUE(Emite(valores));
  std::ifstream arquivo(store_.Dir() + "/xml/CFe" + ValorSat(valores, "chaveConsulta") + ".xml");
  const std::string xml((std::istreambuf_iterator<char>(arquivo)), {});
  EXPECT_EQ("000001 key qr 900000001 ts file session 06000\n|xml|vCFeLei12741 8.41",
            Gravado(valores) + "|" +
                (xml == ValorSat(valores, "arqxmlnfce") ? "xml" : "other-xml") + "|vCFeLei12741 " +
                xml.substr(xml.find("<vCFeLei12741>") + 14, 4));
}

TEST_F(SatEmissionTest, AStoredCFeIsAnsweredWithoutCallingTheDeviceAgain) {
  std::vector<std::string> primeira, segunda;
  ASSERT_TRUE(Emite(primeira));
  std::filesystem::remove_all(store_.Dir() + "/xml");
  ASSERT_TRUE(Emite(segunda));
  EXPECT_EQ("reads 1, same answer, rows 1, emulator last 1, xml again",
            "reads " + std::to_string(leituras_) +
                (primeira == segunda ? ", same answer" : ", other answer") + ", rows " +
                std::to_string(store_.Count("VENDACFESAT")) + ", emulator last " +
                UltimoCFeDoEmulador() +
                (std::filesystem::exists(store_.Dir() + "/xml/CFe" +
                                         ValorSat(segunda, "chaveConsulta") + ".xml")
                     ? ", xml again"
                     : ", no xml"));
}

// The process stopped after the device issued the CF-e of session 424242 and before its answer
// was stored: the device's answer to that session is stored, and no second CF-e is issued.
TEST_F(SatEmissionTest, AStoredSessionWithoutItsAnswerIsSettledByAskingTheDevice) {
  VyrFiscal::Sat::DadosCFe dados;
  dados.cnpjSoftwareHouse = VyrFiscal::Sat::kCnpjSoftwareHouseTeste;
  dados.signAC = VyrFiscal::Sat::kSignACTeste;
  dados.numeroCaixa = "001";
  VyrFiscal::Sat::BibliotecaSat(VyrFiscal::Sat::BibliotecaPadrao())
      .EnviarDadosVenda(424242, "123456789",
                        VyrFiscal::Sat::MontaCFeVenda(sattest::VendaDeTeste(), dados));
  VyrFiscal::Sat::GuardaSessao(conexao_, "0001", "001", "0000000042", "424242");
  std::vector<std::string> valores;
  ASSERT_TRUE(Emite(valores));
  EXPECT_EQ("000001 key qr 900000001 ts file session 06000\n, reads 0, emulator last 1",
            Gravado(valores) + ", reads " + std::to_string(leituras_) + ", emulator last " +
                UltimoCFeDoEmulador());
}

// A session the device does not know was never sent: the sale goes with a new session.
TEST_F(SatEmissionTest, AStoredSessionTheDeviceDoesNotKnowIsSentAgain) {
  VyrFiscal::Sat::GuardaSessao(conexao_, "0001", "001", "0000000042", "111111");
  std::vector<std::string> valores;
  ASSERT_TRUE(Emite(valores));
  EXPECT_EQ("000001 key qr 900000001 ts file session 06000\n, reads 1, emulator last 1",
            Gravado(valores) + ", reads " + std::to_string(leituras_) + ", emulator last " +
                UltimoCFeDoEmulador());
}

// What the device answers about a session whose answer was never stored decides whether the
// sale goes again: a refusal in that session (06xxx) sends it with a new session, and one CF-e
// is issued; an answer that says neither (here the device refusing the query's activation code)
// leaves the session to ask about again and sends nothing.
TEST_F(SatEmissionTest, TheDevicesAnswerAboutALostSessionDecidesWhetherTheSaleGoesAgain) {
  VyrFiscal::Sat::BibliotecaSat(VyrFiscal::Sat::BibliotecaPadrao())
      .EnviarDadosVenda(424242, "123456789", "<CFe/>");
  VyrFiscal::Sat::GuardaSessao(conexao_, "0001", "001", "0000000042", "424242");
  std::vector<std::string> valores;
  const bool refusedThenSent = Emite(valores);
  const std::string afterRefusal = Gravado(valores) + "emulator last " + UltimoCFeDoEmulador();

  pedido_.NRSEQVENDA = "0000000043";
  VyrFiscal::Sat::GuardaSessao(conexao_, "0001", "001", "0000000043", "434343");
  pedido_.cdAtivacaoSat = "00000000";
  std::vector<std::string> incerto;
  const bool unexpected = Emite(incerto);
  EXPECT_EQ(
      "true 000001 key qr 900000001 ts file session 06000\nemulator last 1|false 11001, "
      "sessions kept: 434343, reads 1, emulator last 1",
      std::string(refusedThenSent ? "true " : "false ") + afterRefusal + "|" +
          (unexpected ? "true " : "false ") + ValorSat(incerto, "EEEEE") + ", sessions kept: " +
          store_.Scalar("SELECT NRSESSAOSAT FROM VENDACFESAT WHERE NRSEQVENDA = '0000000043'") +
          ", reads " + std::to_string(leituras_) + ", emulator last " + UltimoCFeDoEmulador());
}

// A CF-e whose file cannot be written is not stored: the sale still owes its document, and once
// the folder can be written the device's answer to the same session is stored with its file,
// without a second CF-e.
TEST_F(SatEmissionTest, TheCFeIsStoredOnlyAfterItsFileIsWritten) {
  std::ofstream(store_.Dir() + "/xml") << "a file where the folder should be";
  std::vector<std::string> valores;
  std::string first;
  try {
    Emite(valores);
    first = "no error";
  } catch (const rtl::EInOutError&) {
    first = "file error";
  }
  first += ", issued rows " + std::to_string(store_.Count("VENDACFESAT", "NRCFESAT IS NOT NULL"));
  std::filesystem::remove(store_.Dir() + "/xml");
  ASSERT_TRUE(Emite(valores));
  EXPECT_EQ(
      "file error, issued rows 0|000001 key qr 900000001 ts file session 06000\n, file "
      "written, emulator last 1",
      first + "|" + Gravado(valores) + ", file " +
          (std::filesystem::exists(store_.Dir() + "/xml/CFe" + ValorSat(valores, "chaveConsulta") +
                                   ".xml")
               ? "written"
               : "missing") +
          ", emulator last " + UltimoCFeDoEmulador());
}

// A CF-e the device dates 31/03 at 22:00 in São Paulo, while a host on UTC is already on 01/04,
// is filed under the day it bears.
TEST_F(SatEmissionTest, TheCFeIsFiledUnderTheDayItBears) {
  const vyrtest::ScopedTimeZone utc("UTC0");
  const vyrtest::ScopedClock clock(rtl::EncodeDateTime({2026, 4, 1, 1, 0, 0, 0}));
  pedido_.dsPastaXml = VyrUtil::PastaXmlDoDia("0001", "001", rtl::Now());
  std::vector<std::string> valores;
  ASSERT_TRUE(Emite(valores));
  EXPECT_EQ(
      "Dados/XML_NFCe_Sat/0001-001-2026-03-31/CFe" + ValorSat(valores, "chaveConsulta") + ".xml",
      store_.Scalar("SELECT DSARQXMLCFE FROM VENDACFESAT"));
}

TEST_F(SatEmissionTest, ARefusalStoresNothing) {
  std::vector<std::string> valores;
  // An emitter's CNPJ the device does not take.
  EXPECT_FALSE(VyrFiscal::Sat::EmiteCFeSat(
      conexao_, pedido_,
      [] {
        VyrFiscal::VendaGravada venda = sattest::VendaDeTeste();
        venda.emitente.CNPJ = "123";
        return venda;
      },
      valores));
  EXPECT_EQ("06010 Erro de validacao do conteudo: CNPJ do emitente invalido, rows 0",
            ValorSat(valores, "EEEEE") + " " + ValorSat(valores, "mensagem") + ", rows " +
                std::to_string(store_.Count("VENDACFESAT")));
}

// Every sale of the register would meet it: the register's fault, raised for the worker to pause
// on, and not a refusal of this sale, whose session is not kept.
TEST_F(SatEmissionTest, ALibraryThatCannotBeLoadedIsTheRegistersFaultNamingIt) {
  store_.Exec("UPDATE CAIXAFISCAL SET DSLIBSAT = ?, NRCNPJSOFTHOUSE = ?, DSSIGNAC = ?",
              {store_.Dir() + "/libSemSat.so", "11444777000161", "assinatura registrada"});
  std::vector<std::string> valores;
  std::string mensagem = "no fault";
  try {
    Emite(valores);
  } catch (const VyrFiscal::FalhaDoCaixa& falha) {
    mensagem = falha.what();
  }
  EXPECT_EQ("SAT library '" + store_.Dir() +
                "/libSemSat.so' (CAIXAFISCAL.DSLIBSAT) cannot be loaded|sessions kept: 0",
            mensagem.substr(0, mensagem.find(": ")) + "|sessions kept: " +
                store_.Scalar("SELECT COUNT(*) FROM VENDACFESAT WHERE NRSESSAOSAT IS NOT NULL"));
}

TEST_F(SatEmissionTest, SATOnlineAnswersAStoredCFeFromTheFiscalConnection) {
  std::vector<std::string> emitidos;
  ASSERT_TRUE(Emite(emitidos));
  // A device that is gone would refuse: the stored CF-e is what answers.
  store_.Exec("UPDATE CAIXAFISCAL SET DSLIBSAT = ?", {"/nenhum/libSat.so"});
  std::vector<std::string> valores;
  const bool aceito = VyrFiscal::SATOnline("0001", "001", "0000000042", "N", "123456789",
                                           pedido_.dsPastaXml, "5.10", "3.31", valores);
  EXPECT_EQ(std::string("true ") + ValorSat(emitidos, "chaveConsulta"),
            (aceito ? "true " : "false ") + ValorSat(valores, "chaveConsulta"));
}

TEST_F(SatEmissionTest, AtualizaVendaSatStoresTheNumberKeyAndQrWithTheSale) {
  vyrtest::InsertSale(store_, "0001", "001", "0000000042", "01", "0000000007",
                      vyrtest::TodayText());
  const std::string chave = "35150908723218000186599000040190000723645630";
  VyrFiscal::AtualizaVendaSat("0001", "001", "0000000042", "000072", chave + "|x|2.00||sig",
                              {"chaveConsulta=" + chave});
  const vyrtest::Rows venda = store_.Query("SELECT NRCUPOMFIS FROM VENDA");
  const vyrtest::Rows cfe =
      store_.Query("SELECT NRCFESAT, NRCHAVECFE, DSQRCODECFE, DSRETORNOSAT FROM VENDACFESAT");
  EXPECT_EQ("000072|000072 " + chave + " " + chave + "|x|2.00||sig \\N",
            venda[0][0] + "|" + cfe[0][0] + " " + cfe[0][1] + " " + cfe[0][2] + " " + cfe[0][3]);
}

TEST_F(SatEmissionTest, AtualizaVendaSatForASaleNotRecordedNamesIt) {
  try {
    VyrFiscal::AtualizaVendaSat("0001", "001", "0000000099", "000072", "k|x", {});
    FAIL() << "no error";
  } catch (const rtl::EDatabaseError& erro) {
    EXPECT_EQ(
        "Sale 0001/001/0000000099 not found in VENDA: its SAT document (CF-e 000072) cannot "
        "be stored, rows 0",
        erro.Message() + ", rows " + std::to_string(store_.Count("VENDACFESAT")));
  }
}

}  // namespace
