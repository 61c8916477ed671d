#include "fiscal/nfce/note_in_hand.h"

#include "fiscal/one_in_hand.h"

namespace VyrFiscal::Nfce {
namespace {

UmEmMaos<NotaGravada>& EmMaos() {
  static UmEmMaos<NotaGravada> em_maos;
  return em_maos;
}

}  // namespace

void GuardaNotaEmMaos(const NotaGravada& nota) {
  EmMaos().Guarda(nota.chave, nota);
}

NotaGravada NotaEmMaosOuLida(ado::TADOConnection& conexao, const std::string& chave) {
  std::optional<NotaGravada> guardada = EmMaos().Toma(chave);
  if (guardada && !chave.empty()) return std::move(*guardada);
  return NotaDaChave(conexao, chave);
}

}  // namespace VyrFiscal::Nfce
