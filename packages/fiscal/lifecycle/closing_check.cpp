// The closing's question before it draws a document number: the same checks SetConcluiFechamento
// makes before it writes, so that a bill refused for its content, or already recorded, never
// takes a number from the series.

#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/sale/closed_bill.h"

namespace VyrFiscal::Rotinas {

std::string VerificaFechamento(const std::vector<TClientDataSet*>& tabelas,
                               const Variant& parametros) {
  ado::TADOConnection& conexao = ConexaoFiscal();
  const Venda::Fechamento fechamento = Venda::LeFechamento(tabelas, parametros);
  const Venda::VendaExistente existente = Venda::ProcuraVendaDaComanda(conexao, fechamento);
  if (existente.encontrada) return existente.NRSEQVENDA;
  const std::string recusa = Venda::MotivoRecusa(conexao, fechamento);
  return recusa.empty() ? std::string() : RespostaErro(recusa);
}

}  // namespace VyrFiscal::Rotinas
