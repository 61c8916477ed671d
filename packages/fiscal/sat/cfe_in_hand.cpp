#include "fiscal/sat/cfe_in_hand.h"

#include <functional>
#include <mutex>

#include "fiscal/kept_settings.h"

namespace VyrFiscal::Sat {
namespace {

struct EmMaos {
  std::string instalacao;
  unsigned long geracao = 0;
  CFeDaVenda cfe;
};

std::mutex em_maos_mutex;
std::optional<EmMaos> em_maos;

std::optional<CFeDaVenda> Procura(const std::function<bool(const CFeDaVenda&)>& e) {
  std::lock_guard<std::mutex> trava(em_maos_mutex);
  if (!em_maos || em_maos->instalacao != PrefixoGuardadas() ||
      em_maos->geracao != GeracaoGuardadas() || !e(em_maos->cfe)) {
    return std::nullopt;
  }
  return em_maos->cfe;
}

}  // namespace

void GuardaCFeEmMaos(const CFeDaVenda& cfe) {
  std::lock_guard<std::mutex> trava(em_maos_mutex);
  em_maos = EmMaos{PrefixoGuardadas(), GeracaoGuardadas(), cfe};
}

std::optional<CFeDaVenda> CFeEmMaosDaVenda(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                           const std::string& NRSEQVENDA) {
  return Procura([&](const CFeDaVenda& c) {
    return c.CDFILIAL == CDFILIAL && c.CDCAIXA == CDCAIXA && c.NRSEQVENDA == NRSEQVENDA;
  });
}

std::optional<CFeDaVenda> CFeEmMaosDaChave(const std::string& chave) {
  return Procura([&](const CFeDaVenda& c) {
    return !chave.empty() && (c.cfe.NRCHAVECFE == chave || c.cfe.NRCHAVECFE == "CFe" + chave);
  });
}

}  // namespace VyrFiscal::Sat
