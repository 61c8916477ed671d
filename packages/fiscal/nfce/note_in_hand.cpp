#include "fiscal/nfce/note_in_hand.h"

#include <mutex>
#include <optional>

#include "fiscal/kept_settings.h"

namespace VyrFiscal::Nfce {
namespace {

struct EmMaos {
  std::string chave;
  unsigned long geracao = 0;
  NotaGravada nota;
};

std::mutex em_maos_mutex;
std::optional<EmMaos> em_maos;

}  // namespace

void GuardaNotaEmMaos(const NotaGravada& nota) {
  std::lock_guard<std::mutex> trava(em_maos_mutex);
  em_maos = EmMaos{PrefixoGuardadas() + "|" + nota.chave, GeracaoGuardadas(), nota};
}

NotaGravada NotaEmMaosOuLida(ado::TADOConnection& conexao, const std::string& chave) {
  {
    std::lock_guard<std::mutex> trava(em_maos_mutex);
    std::optional<EmMaos> guardada;
    guardada.swap(em_maos);
    if (guardada && !chave.empty() && guardada->chave == PrefixoGuardadas() + "|" + chave &&
        guardada->geracao == GeracaoGuardadas()) {
      return std::move(guardada->nota);
    }
  }
  return NotaDaChave(conexao, chave);
}

}  // namespace VyrFiscal::Nfce
