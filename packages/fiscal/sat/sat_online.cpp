#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/sale/recorded_sale.h"
#include "fiscal/sale/sale_in_hand.h"
#include "fiscal/sat/sat_answer.h"
#include "fiscal/sat/sat_emission.h"
#include "fiscal/sat/stored_cfe.h"

namespace VyrFiscal::Rotinas {

bool SATOnline(const std::string& CDFILIAL, const std::string& CDCAIXA,
               const std::string& NRSEQVENDA, const std::string& idUtilSatComp,
               const std::string& cdAtivacaoSat, const std::string& dsPastaXml,
               const std::string& vrIbpt, const std::string& vrIbptEs,
               std::vector<std::string>& valoresSat) {
  ado::TADOConnection& conexao = ConexaoFiscal();
  const Sat::PedidoSat pedido{CDFILIAL,      CDCAIXA,    NRSEQVENDA, idUtilSatComp,
                              cdAtivacaoSat, dsPastaXml, vrIbpt,     vrIbptEs};
  return Sat::EmiteCFeSat(
      conexao, pedido,
      [&] {
        // The extract printed next is made of the same sale (sale/sale_in_hand.h).
        VendaGravada venda = LeVendaGravada(conexao, CDFILIAL, CDCAIXA, NRSEQVENDA);
        GuardaVendaEmMaos(venda);
        return venda;
      },
      valoresSat);
}

Variant AtualizaVendaSat(const std::string& CDFILIAL, const std::string& CDCAIXA,
                         const std::string& NRSEQVENDA, const std::string& nrCfe,
                         const std::string& dsQrCode, const std::vector<std::string>& valoresSat) {
  std::string chave = ValorSat(valoresSat, kSatChaveConsulta);
  if (chave.empty()) chave = dsQrCode.substr(0, dsQrCode.find('|'));
  Sat::AtualizaCFe(ConexaoFiscal(), CDFILIAL, CDCAIXA, NRSEQVENDA, nrCfe, chave, dsQrCode);
  return Variant(true);
}

}  // namespace VyrFiscal::Rotinas
