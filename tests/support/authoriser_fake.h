#pragma once
// An NFC-e authoriser that answers every batch and every status query as the test set it, for
// the answers the simulated authoriser never gives (a rejection, a duplicate under another
// key). It is in use from its construction to its destruction, and records the calls it got.
// Header-only: only the fiscal package's tests link the package.

#include <string>

#include "fiscal/nfce/authoriser.h"

namespace vyrtest {

class FakeAuthoriser : public VyrFiscal::Nfce::Autorizador {
 public:
  // The protNFe of every batch, and the status of every query, as "cStat xMotivo". A 100
  // carries a protocol number. A batch answer "refused" is a connection refused.
  std::string batchAnswer = "100 Autorizado o uso da NF-e";
  std::string queryAnswer = "217 Rejeicao: NF-e nao consta na base de dados da SEFAZ";
  std::string statusAnswer = "107 Servico em Operacao";
  std::string voidAnswer = "102 Inutilizacao de numero homologado";

  FakeAuthoriser() { VyrFiscal::Nfce::DefineAutorizador(this); }
  ~FakeAuthoriser() override { VyrFiscal::Nfce::DefineAutorizador(nullptr); }
  FakeAuthoriser(const FakeAuthoriser&) = delete;
  FakeAuthoriser& operator=(const FakeAuthoriser&) = delete;

  // "enviNFe <cStat>;consSitNFe <cStat>;consStatServ <cStat>;inutNFe <cStat>;" in the order of
  // the calls.
  const std::string& Calls() const { return calls_; }

  VyrFiscal::Nfce::RespostaTransporte Autoriza(const std::string& enviNFe) override {
    const std::string chave = Between(enviNFe, "Id=\"NFe", "\"");
    calls_ += "enviNFe " + Stat(batchAnswer) + ";";
    if (batchAnswer == "refused") {  // the connection refused: nothing went out
      return VyrFiscal::Nfce::SemResposta(VyrFiscal::Nfce::RespostaTransporte::Estado::SemConexao,
                                          "connection refused");
    }
    return Answer(
        "<retEnviNFe versao=\"4.00\"><tpAmb>2</tpAmb><cStat>104</cStat><xMotivo>Lote "
        "processado</xMotivo>" +
        ProtNfe(chave, batchAnswer) + "</retEnviNFe>");
  }

  VyrFiscal::Nfce::RespostaTransporte Consulta(const std::string& consSitNFe) override {
    const std::string chave = Between(consSitNFe, "<chNFe>", "</chNFe>");
    calls_ += "consSitNFe " + Stat(queryAnswer) + ";";
    return Answer("<retConsSitNFe versao=\"4.00\"><tpAmb>2</tpAmb><cStat>" + Stat(queryAnswer) +
                  "</cStat><xMotivo>" + Reason(queryAnswer) + "</xMotivo><chNFe>" + chave +
                  "</chNFe>" + (Stat(queryAnswer) == "100" ? ProtNfe(chave, queryAnswer) : "") +
                  "</retConsSitNFe>");
  }

  VyrFiscal::Nfce::RespostaTransporte Status(const std::string&) override {
    calls_ += "consStatServ " + Stat(statusAnswer) + ";";
    return Answer("<retConsStatServ versao=\"4.00\"><tpAmb>2</tpAmb><cStat>" + Stat(statusAnswer) +
                  "</cStat><xMotivo>" + Reason(statusAnswer) + "</xMotivo></retConsStatServ>");
  }

  VyrFiscal::Nfce::RespostaTransporte Inutiliza(const std::string&) override {
    calls_ += "inutNFe " + Stat(voidAnswer) + ";";
    return Answer("<retInutNFe versao=\"4.00\"><infInut><tpAmb>2</tpAmb><cStat>" +
                  Stat(voidAnswer) + "</cStat><xMotivo>" + Reason(voidAnswer) +
                  "</xMotivo></infInut></retInutNFe>");
  }

 private:
  static std::string Stat(const std::string& answer) { return answer.substr(0, answer.find(' ')); }
  static std::string Reason(const std::string& answer) {
    const size_t space = answer.find(' ');
    return space == std::string::npos ? "" : answer.substr(space + 1);
  }
  static std::string Between(const std::string& text, const std::string& open,
                             const std::string& close) {
    const size_t a = text.find(open);
    const size_t b = a == std::string::npos ? a : text.find(close, a + open.size());
    return b == std::string::npos ? "" : text.substr(a + open.size(), b - a - open.size());
  }
  static std::string ProtNfe(const std::string& chave, const std::string& answer) {
    return "<protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><chNFe>" + chave +
           "</chNFe><dhRecbto>2026-03-10T19:42:06-03:00</dhRecbto>" +
           (Stat(answer) == "100" ? "<nProt>135260000000001</nProt>" : "") + "<cStat>" +
           Stat(answer) + "</cStat><xMotivo>" + Reason(answer) + "</xMotivo></infProt></protNFe>";
  }
  static VyrFiscal::Nfce::RespostaTransporte Answer(const std::string& xml) {
    VyrFiscal::Nfce::RespostaTransporte resposta;
    resposta.estado = VyrFiscal::Nfce::RespostaTransporte::Estado::Respondeu;
    resposta.xml = xml;
    return resposta;
  }

  std::string calls_;
};

}  // namespace vyrtest
