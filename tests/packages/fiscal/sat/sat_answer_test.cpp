// Reading a SAT device's answer into the name=value list, and the key's check digit.

#include <gtest/gtest.h>

#include "fiscal/sat/sat_answer.h"

namespace {

using VyrFiscal::Sat::InterpretaResposta;

std::string Linhas(const std::vector<std::string>& valores) {
  std::string texto;
  for (const std::string& linha : valores) texto += linha + "\n";
  return texto;
}

TEST(SatAnswerTest, AnIssuedCFeGivesItsValuesAndTheDecodedXml) {
  // "<CFe>\n<nCFe>000007</nCFe></CFe>" in base64: the line break goes, the list stays one line
  // per value.
  const std::string resposta =
      "123456|06000|0000|Emitido com sucesso + conteudo notas.|||"
      "PENGZT4KPG5DRmU+MDAwMDA3PC9uQ0ZlPjwvQ0ZlPg==|20150718154423|"
      "CFe35150708723218000186599000040190000215133408|2.00|12345678909|Z5nVOl";
  EXPECT_EQ(
      "numeroSessao=123456\nEEEEE=06000\nCCCC=0000\n"
      "mensagem=Emitido com sucesso + conteudo notas.\ncod=\nmensagemSEFAZ=\n"
      "timeStamp=20150718154423\nchaveConsulta=35150708723218000186599000040190000215133408\n"
      "valorTotalCFe=2.00\nCPFCNPJValue=12345678909\nassinaturaQRCODE=Z5nVOl\n"
      "arqxmlnfce=<CFe><nCFe>000007</nCFe></CFe>\n",
      Linhas(InterpretaResposta(resposta)));
}

TEST(SatAnswerTest, ARefusalInSixFieldsCarriesItsMessage) {
  EXPECT_EQ(
      "numeroSessao=447626\nEEEEE=06010\nCCCC=1999\nmensagem=Erro desconhecido\ncod=\n"
      "mensagemSEFAZ=\n",
      Linhas(InterpretaResposta("447626|06010|1999|Erro desconhecido||")));
}

TEST(SatAnswerTest, ARefusalInFiveFieldsHasNoWarningCode) {
  EXPECT_EQ(
      "numeroSessao=447626\nEEEEE=06098\nmensagem=SAT em processamento. Tente novamente.\ncod=\n"
      "mensagemSEFAZ=\n",
      Linhas(InterpretaResposta("447626|06098|SAT em processamento. Tente novamente.||")));
}

TEST(SatAnswerTest, AnAnswerOfAnotherShapeBecomesTheMessage) {
  EXPECT_EQ("mensagem=Resposta do SAT fora do padrao: 447626|06099\n",
            Linhas(InterpretaResposta("447626|06099")));
}

TEST(SatAnswerTest, ValuesAreFoundByNameWithoutRegardToCase) {
  const std::vector<std::string> valores = {"mensagem=a", "MENSAGEM=b", "x=1=2"};
  EXPECT_EQ("a|1=2|", VyrFiscal::ValorSat(valores, "Mensagem") + "|" +
                          VyrFiscal::ValorSat(valores, "X") + "|" +
                          VyrFiscal::ValorSat(valores, "chaveConsulta"));
}

}  // namespace
