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
  EXPECT_EQ(
      "built: ;reason 14: xJust is not 15 to 255 characters\n;reason escaped: ;"
      "Id: infEvento Id is not ID110111 + chNFe + 01\n;cOrgao: cOrgao is not the key's state\n;"
      "nProt: nProt is not 15 digits\n;CNPJ: CNPJ is not 14 digits\n;"
      "descEvento: descEvento is not Cancelamento\n;",
      seen);
}

}  // namespace
