// The closing's question before it draws a document number: the same checks SetConcluiFechamento
// makes before it writes, so that a bill refused for its content, or already recorded, never
// takes a number from the series.
//
// The answer is remembered for the recording that comes next, a few milliseconds later: asking
// the store again would give the same answer. A bill another register records in between is
// still caught, by the look-up the recording makes inside its transaction.

#include "fiscal/lifecycle/closing_check.h"

#include <mutex>

#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/kept_settings.h"

namespace VyrFiscal::Rotinas {
namespace {

std::mutex verificada_mutex;
std::string verificada;
unsigned long verificada_geracao = 0;

std::string Chave(const Venda::Fechamento& f) {
  return PrefixoGuardadas() + "|" + f.CDFILIAL + "|" + f.CDCAIXA + "|" + f.NRVENDAREST + "|" +
         f.NRCOMANDA + "|" + f.idTipoEmissao;
}

void GuardaComandaVerificada(const Venda::Fechamento& f) {
  std::lock_guard<std::mutex> trava(verificada_mutex);
  verificada = Chave(f);
  verificada_geracao = GeracaoGuardadas();
}

}  // namespace

bool TomaComandaVerificada(const Venda::Fechamento& f) {
  std::lock_guard<std::mutex> trava(verificada_mutex);
  const bool mesma =
      !verificada.empty() && verificada == Chave(f) && verificada_geracao == GeracaoGuardadas();
  verificada.clear();
  return mesma;
}

std::string VerificaFechamento(const std::vector<TClientDataSet*>& tabelas,
                               const Variant& parametros) {
  ado::TADOConnection& conexao = ConexaoFiscal();
  const Venda::Fechamento fechamento = Venda::LeFechamento(tabelas, parametros);
  const Venda::VendaExistente existente = Venda::ProcuraVendaDaComanda(conexao, fechamento);
  if (existente.encontrada) return existente.NRSEQVENDA;
  const std::string recusa = Venda::MotivoRecusa(conexao, fechamento);
  if (!recusa.empty()) {
    EsqueceGuardadas();
    return RespostaErro(recusa);
  }
  GuardaComandaVerificada(fechamento);
  return "";
}

}  // namespace VyrFiscal::Rotinas
