#include "fiscal/sale/sale_in_hand.h"

#include <mutex>
#include <optional>

#include "fiscal/kept_settings.h"

namespace VyrFiscal {
namespace {

struct EmMaos {
  std::string chave;
  unsigned long geracao = 0;
  VendaGravada venda;
};

std::mutex em_maos_mutex;
std::optional<EmMaos> em_maos;

std::string Chave(const std::string& CDFILIAL, const std::string& CDCAIXA,
                  const std::string& NRSEQVENDA) {
  return PrefixoGuardadas() + "|" + CDFILIAL + "|" + CDCAIXA + "|" + NRSEQVENDA;
}

}  // namespace

void GuardaVendaEmMaos(const VendaGravada& venda) {
  std::lock_guard<std::mutex> trava(em_maos_mutex);
  em_maos =
      EmMaos{Chave(venda.CDFILIAL, venda.CDCAIXA, venda.NRSEQVENDA), GeracaoGuardadas(), venda};
}

VendaGravada VendaEmMaosOuLida(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                               const std::string& CDCAIXA, const std::string& NRSEQVENDA) {
  {
    std::lock_guard<std::mutex> trava(em_maos_mutex);
    std::optional<EmMaos> guardada;
    guardada.swap(em_maos);
    if (guardada && guardada->chave == Chave(CDFILIAL, CDCAIXA, NRSEQVENDA) &&
        guardada->geracao == GeracaoGuardadas()) {
      return std::move(guardada->venda);
    }
  }
  return LeVendaGravada(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA);
}

}  // namespace VyrFiscal
