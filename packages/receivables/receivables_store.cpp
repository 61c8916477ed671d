#include "receivables/receivables_store.h"

#include "receivables/rdm_recebimento.h"

namespace VyrRecebimento {

ado::TADOConnection& ConexaoRecebimento() {
  if (rdmRecebimento == nullptr) rdmRecebimento = new TrdmRecebimento();
  ado::TADOConnection& conexao = rdmRecebimento->adcRecebimento;
  if (!conexao.Connected()) conexao.SetConnected(true);
  return conexao;
}

ado::Bindings ChaveConsumidor(const std::string& CDCLIENTE, const std::string& CDCONSUMIDOR,
                              const ado::Bindings& mais) {
  ado::Bindings ligacoes = {{"P_CDCLIENTE", CDCLIENTE}, {"P_CDCONSUMIDOR", CDCONSUMIDOR}};
  ado::AppendBindings(ligacoes, mais);
  return ligacoes;
}

void Relanca(const std::string& contexto, const ado::EADOError& erro) {
  // An interruption keeps its own message: the worker recognises it by its flag and its text.
  if (erro.Interrupted()) throw erro;
  throw ado::EADOError(contexto + ": " + erro.what(), erro.SqlState(), erro.NativeError(),
                       erro.ConnectionLost());
}

}  // namespace VyrRecebimento
