// The cancellation event's structure, checked in code for want of the official event schemas:
// the event built for a note passes, and each slip an event could carry is named.

#include <gtest/gtest.h>

#include "fiscal/nfce/cancellation_event.h"

namespace {

using namespace VyrFiscal::Nfce;

std::string Replaced(std::string text, const std::string& what, const std::string& with) {
  const size_t at = text.find(what);
  return at == std::string::npos ? "(not found: " + what + ")"
                                 : text.replace(at, what.size(), with);
}

TEST(NfceCancellationEvent, TheBuiltEventPassesAndEachSlipIsNamed) {
  DadosCancelamento d;
  d.chave = "35261211222333000181650010000000011395031321";
  d.tpAmb = "2";
  d.CNPJ = "11222333000181";
  d.nProt = "135260000000001";
  d.xJust = "Devolução total";  // 15 characters, 17 bytes
  d.dhEvento = "2026-12-07T22:40:00-03:00";
  const std::string evento = EventoCancelamento(d);
  const struct {
    const char* name;
    std::string event;
  } cases[] = {
      {"built", evento},
      {"reason 14", Replaced(evento, "Devolução total", "Devolução tota")},
      {"reason 255", Replaced(evento, "Devolução total", "Devolução" + std::string(246, '.'))},
      {"reason 256", Replaced(evento, "Devolução total", "Devolução" + std::string(247, '.'))},
      {"reason escaped", EventoCancelamento([&] {
         DadosCancelamento e = d;
         e.xJust = "Cliente <ausente> & sem troco";
         return e;
       }())},
      {"Id", Replaced(evento, "Id=\"ID110111" + d.chave + "01", "Id=\"ID110111" + d.chave + "1")},
      {"cOrgao", Replaced(evento, "<cOrgao>35", "<cOrgao>91")},
      {"nProt", Replaced(evento, "<nProt>135260000000001", "<nProt>13526000000001")},
      {"CNPJ", Replaced(evento, "<CNPJ>11222333000181", "<CNPJ>1122233300018")},
      {"descEvento", Replaced(evento, "Cancelamento<", "Cancelamento da nota<")},
  };
  std::string seen;
  for (const auto& c : cases) seen += std::string(c.name) + ": " + ErrosDoEvento(c.event) + ";";
  const std::string& escaped = cases[4].event;
  const size_t reason = escaped.find("<xJust>") + 7;
  seen += "|" + escaped.substr(reason, escaped.find("</xJust>") - reason);
  EXPECT_EQ(
      "built: ;reason 14: xJust is not 15 to 255 characters\n;reason 255: ;"
      "reason 256: xJust is not 15 to 255 characters\n;reason escaped: ;"
      "Id: infEvento Id is not ID110111 + chNFe + 01\n;cOrgao: cOrgao is not the key's state\n;"
      "nProt: nProt is not 15 digits\n;CNPJ: CNPJ is not 14 digits\n;"
      "descEvento: descEvento is not Cancelamento\n;"
      "|Cliente &lt;ausente&gt; &amp; sem troco",
      seen);
}

// The authority's answer about a key holds its cancellation only in an event of that key, of
// the cancellation's type, that the authority registered.
TEST(NfceCancellationEvent, TheQueryAnswerHoldsTheCancellationOnlyWhenRegisteredForTheKey) {
  const std::string key = "35261211222333000181650010000000011395031321";
  const auto proc = [](const std::string& chave, const char* tpEvento, const char* cStat) {
    return std::string("<procEventoNFe versao=\"1.00\"><evento><infEvento><chNFe>") + chave +
           "</chNFe><tpEvento>" + tpEvento + "</tpEvento></infEvento></evento><retEvento>" +
           "<infEvento><cStat>" + cStat + "</cStat></infEvento></retEvento></procEventoNFe>";
  };
  const std::string answers[] = {proc(key.substr(0, 43) + "9", "110111", "135"),
                                 proc(key, "110110", "135"), proc(key, "110111", "573"),
                                 proc(key, "110111", "155")};
  std::string seen;
  for (const std::string& answer : answers) {
    const std::string found = CancelamentoNaConsulta(
        "<retConsSitNFe><cStat>101</cStat>" + answer + "</retConsSitNFe>", key);
    seen += found.empty() ? "- " : found == answer ? "found " : "other ";
  }
  EXPECT_EQ("- - - found ", seen);
}

}  // namespace
