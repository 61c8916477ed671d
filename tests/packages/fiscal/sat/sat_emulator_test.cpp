// The SAT emulator library, loaded as a register loads its device: the default library beside
// the fiscal package.

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <fstream>
#include <sstream>

#include "fiscal/sat/cfe_sale_xml.h"
#include "fiscal/sat/sat_answer.h"
#include "fiscal/sat/sat_library.h"
#include "packages/fiscal/sat_test_sale.h"
#include "support/temp_dir.h"
#include "vyrutil/access_key.h"

namespace {

using VyrFiscal::ValorSat;

class SatEmulatorTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("VYR_SAT_EMULADOR_DIR", pasta_.Path().c_str(), 1); }
  void TearDown() override { unsetenv("VYR_SAT_EMULADOR_DIR"); }

  std::string Envia(const std::string& dados, const std::string& codigo = "123456789") {
    VyrFiscal::Sat::BibliotecaSat sat(VyrFiscal::Sat::BibliotecaPadrao());
    return sat.EnviarDadosVenda(424242, codigo, dados);
  }
  static std::string Venda() {
    VyrFiscal::Sat::DadosCFe dados;
    dados.cnpjSoftwareHouse = VyrFiscal::Sat::kCnpjSoftwareHouseTeste;
    dados.signAC = VyrFiscal::Sat::kSignACTeste;
    dados.numeroCaixa = "001";
    return VyrFiscal::Sat::MontaCFeVenda(sattest::VendaDeTeste(), dados);
  }
  std::string Estado() const {
    std::ifstream in(pasta_.Path() + "/emulador.ini");
    std::string texto;
    for (std::string linha; std::getline(in, linha);) {
      if (linha.rfind("ultimaResposta=", 0) != 0 && linha.rfind("resposta.", 0) != 0) {
        texto += linha + "\n";
      }
    }
    return texto;
  }

  vyrtest::TempDir pasta_;
};

// What the closing reads of an issued CF-e, and how the key is made of it.
std::string Emitido(const std::string& resposta) {
  const std::vector<std::string> v = VyrFiscal::Sat::InterpretaResposta(resposta);
  const std::string xml = ValorSat(v, "arqxmlnfce");
  const std::string chave = ValorSat(v, "chaveConsulta");
  const size_t nCFe = xml.find("nCFe");
  const size_t serie = xml.find("nserieSAT");
  std::ostringstream texto;
  texto << ValorSat(v, "numeroSessao") << " " << ValorSat(v, "EEEEE") << " nCFe "
        << xml.substr(nCFe + 5, 6) << " serie " << xml.substr(serie + 10, 9) << " key "
        << chave.substr(0, 2) << "-" << chave.substr(6, 14) << "-" << chave.substr(20, 2) << "-"
        << chave.substr(22, 9) << "-" << chave.substr(31, 6)
        << (VyrUtil::ChaveAcessoValida(chave) ? " dv-ok" : " dv-bad")
        << (xml.find("Id=\"CFe" + chave + "\"") != std::string::npos ? " id-ok" : " id-bad")
        << " total " << ValorSat(v, "valorTotalCFe") << " cpf " << ValorSat(v, "CPFCNPJValue")
        << " ts " << ValorSat(v, "timeStamp").size() << " qr "
        << ValorSat(v, "assinaturaQRCODE").size() << "\n";
  return texto.str();
}

TEST_F(SatEmulatorTest, IssuesCFeNumberedUpWithAValidKey) {
  const std::string primeiro = Envia(Venda());
  const std::string segundo = Envia(Venda());
  EXPECT_EQ(
      "424242 06000 nCFe 000001 serie 900000001 key 35-11222333000181-59-900000001-000001 dv-ok "
      "id-ok total 61.80 cpf 12345678909 ts 14 qr 344\n"
      "424242 06000 nCFe 000002 serie 900000001 key 35-11222333000181-59-900000001-000002 dv-ok "
      "id-ok total 61.80 cpf 12345678909 ts 14 qr 344\n",
      Emitido(primeiro) + Emitido(segundo));
}

TEST_F(SatEmulatorTest, FirstUseCreatesTheDeviceStateInItsFolder) {
  Envia(Venda());
  const std::string chave =
      VyrFiscal::ValorSat(VyrFiscal::Sat::InterpretaResposta(Envia(Venda())), "chaveConsulta");
  EXPECT_EQ(
      "codigoAtivacao=123456789\nnumeroSerie=900000001\nultimoCFe=2\ncUF=35\ntpAmb=2\n"
      "fuso=America/Sao_Paulo\nxNome=EMITENTE DE TESTE DO EMULADOR SAT\nxFant=EMULADOR SAT\n"
      "xLgr=RUA DE TESTE\nnro=1\nxBairro=CENTRO\nxMun=SAO PAULO\nCEP=01001000\nultimaChave=" +
          chave + "\nultimaSessao=424242\n",
      Estado());
}

// A session's answer is given again as it was, also after the device served other sessions (a
// register that crashed before storing it may call again before it asks); a session it never
// served is unknown.
TEST_F(SatEmulatorTest, AnswersARecentSessionAgainAndNoOther) {
  const std::string emitido = Envia(Venda());
  VyrFiscal::Sat::BibliotecaSat sat(VyrFiscal::Sat::BibliotecaPadrao());
  sat.EnviarDadosVenda(434343, "123456789", Venda());
  const std::string conhecida = sat.ConsultarNumeroSessao(515151, "123456789", 424242);
  EXPECT_EQ("same answer|515151|11003|Sessao nao existe||",
            std::string(conhecida == emitido ? "same answer|" : "other answer: " + conhecida) +
                sat.ConsultarNumeroSessao(515151, "123456789", 111111));
}

TEST_F(SatEmulatorTest, RefusesAnotherActivationCode) {
  EXPECT_EQ("424242|06001|Codigo de ativacao invalido||", Envia(Venda(), "87654321"));
}

TEST_F(SatEmulatorTest, RefusesAnInvalidSaleWithItsReason) {
  std::string curta = Venda();
  curta.replace(curta.find("<vMP>50.00</vMP>"), 16, "<vMP>10.00</vMP>");
  EXPECT_EQ(
      "424242|06010|1999|Erro de validacao do conteudo: Pagamentos (21.80) menores que o total "
      "(61.80)||\n"
      "424242|06010|1999|Erro de validacao do conteudo: XML mal formado: Start-end tags mismatch "
      "na posicao 12||\n"
      "424242|06010|1999|Erro de validacao do conteudo: Elemento CFe/infCFe ausente||\n",
      Envia(curta) + "\n" + Envia("<CFe><ide></CFe>") + "\n" + Envia("<NFe/>") + "\n");
}

TEST_F(SatEmulatorTest, AnswersBusyWhileAnotherCallHoldsTheDevice) {
  Envia(Venda());  // creates the state and the lock file
  const int fd = ::open((pasta_.Path() + "/emulador.lock").c_str(), O_RDWR);
  ASSERT_EQ(0, ::flock(fd, LOCK_EX | LOCK_NB));
  const std::string ocupado = Envia(Venda());
  ::close(fd);
  EXPECT_EQ("424242|06098|SAT em processamento. Tente novamente.||ultimoCFe=1",
            ocupado + Estado().substr(Estado().find("ultimoCFe="), 11));
}

}  // namespace
