#include "fiscal/sat/cfe_in_hand.h"

#include "fiscal/one_in_hand.h"

namespace VyrFiscal::Sat {
namespace {

// One register's CF-e at a time: the key is the installation alone, and the sale or the access
// key is what each step looks for in it.
UmEmMaos<CFeDaVenda>& EmMaos() {
  static UmEmMaos<CFeDaVenda> em_maos;
  return em_maos;
}

}  // namespace

void GuardaCFeEmMaos(const CFeDaVenda& cfe) {
  EmMaos().Guarda("", cfe);
}

std::optional<CFeDaVenda> CFeEmMaosDaVenda(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                           const std::string& NRSEQVENDA) {
  return EmMaos().Olha("", [&](const CFeDaVenda& c) {
    return c.CDFILIAL == CDFILIAL && c.CDCAIXA == CDCAIXA && c.NRSEQVENDA == NRSEQVENDA;
  });
}

std::optional<CFeDaVenda> CFeEmMaosDaChave(const std::string& chave) {
  return EmMaos().Olha("", [&](const CFeDaVenda& c) {
    return !chave.empty() && (c.cfe.NRCHAVECFE == chave || c.cfe.NRCHAVECFE == "CFe" + chave);
  });
}

}  // namespace VyrFiscal::Sat
