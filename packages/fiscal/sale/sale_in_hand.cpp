#include "fiscal/sale/sale_in_hand.h"

#include "fiscal/one_in_hand.h"

namespace VyrFiscal {
namespace {

UmEmMaos<VendaGravada>& EmMaos() {
  static UmEmMaos<VendaGravada> em_maos;
  return em_maos;
}

std::string Chave(const std::string& CDFILIAL, const std::string& CDCAIXA,
                  const std::string& NRSEQVENDA) {
  return CDFILIAL + "|" + CDCAIXA + "|" + NRSEQVENDA;
}

}  // namespace

void GuardaVendaEmMaos(const VendaGravada& venda) {
  EmMaos().Guarda(Chave(venda.CDFILIAL, venda.CDCAIXA, venda.NRSEQVENDA), venda);
}

VendaGravada VendaEmMaosOuLida(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                               const std::string& CDCAIXA, const std::string& NRSEQVENDA) {
  std::optional<VendaGravada> guardada = EmMaos().Toma(Chave(CDFILIAL, CDCAIXA, NRSEQVENDA));
  if (guardada) return std::move(*guardada);
  return LeVendaGravada(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA);
}

}  // namespace VyrFiscal
