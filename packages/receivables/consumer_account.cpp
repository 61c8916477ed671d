#include "receivables/consumer_account.h"

#include "receivables/receivables_store.h"
#include "rtl/errors.h"

namespace VyrRecebimento {
namespace {

// A movement is written open (IDCONSMOVEXT NULL); EvoluiSaldo consolidates it later. One debit
// per sale and one credit per payment document: the key refuses a second one.
const char* const kInsMovExtCons =
    R"mssql(INSERT INTO MOVEXTCONS (CDCLIENTE, CDCONSUMIDOR, CDFILIAL, CDCAIXA, NRDOCMOVEXT, IDTIPOMOVEXT, DTMOVEXTCONS, VRMOVEXTCONS, IDCONSMOVEXT) VALUES (:P_CDCLIENTE, :P_CDCONSUMIDOR, :P_CDFILIAL, :P_CDCAIXA, :P_NRDOCMOVEXT, :P_IDTIPOMOVEXT, :P_DTMOVEXTCONS, :P_VRMOVEXTCONS, NULL))mssql";

struct Movimento {
  std::string CDCLIENTE, CDCONSUMIDOR, CDFILIAL, CDCAIXA, documento, tipo;
  double valor;
  rtl::TDateTime quando;
};

std::string Descricao(const Movimento& m) {
  return std::string(m.tipo == "D" ? "Débito" : "Crédito") + " do consumidor " + m.CDCONSUMIDOR +
         " do cliente " + m.CDCLIENTE + " (tabela MOVEXTCONS, filial " + m.CDFILIAL + ", caixa " +
         m.CDCAIXA + ", documento " + m.documento + ")";
}

void Lanca(ado::TADOConnection& conexao, const Movimento& m) {
  if (m.CDCLIENTE.empty() || m.CDCONSUMIDOR.empty()) {
    throw rtl::Exception(Descricao(m) + ": cliente e consumidor são obrigatórios");
  }
  if (!(m.valor >= 0)) {
    throw rtl::Exception(Descricao(m) + ": valor negativo");
  }
  try {
    ado::RunCommand(conexao, "acmInsMovExtCons", kInsMovExtCons,
                    {{"P_CDCLIENTE", m.CDCLIENTE},
                     {"P_CDCONSUMIDOR", m.CDCONSUMIDOR},
                     {"P_CDFILIAL", m.CDFILIAL},
                     {"P_CDCAIXA", m.CDCAIXA},
                     {"P_NRDOCMOVEXT", m.documento},
                     {"P_IDTIPOMOVEXT", m.tipo},
                     {"P_DTMOVEXTCONS", rtl::Variant::FromDateTime(m.quando)},
                     {"P_VRMOVEXTCONS", m.valor}});
  } catch (const ado::EADOError& erro) {
    Relanca(Descricao(m), erro);
  }
}

}  // namespace

void LancaDebitoConsumidor(ado::TADOConnection& conexao, const std::string& CDCLIENTE,
                           const std::string& CDCONSUMIDOR, const std::string& CDFILIAL,
                           const std::string& CDCAIXA, const std::string& NRSEQVENDA, double valor,
                           rtl::TDateTime quando) {
  Lanca(conexao, {CDCLIENTE, CDCONSUMIDOR, CDFILIAL, CDCAIXA, NRSEQVENDA, "D", valor, quando});
}

void LancaCreditoConsumidor(ado::TADOConnection& conexao, const std::string& CDCLIENTE,
                            const std::string& CDCONSUMIDOR, const std::string& CDFILIAL,
                            const std::string& CDCAIXA, const std::string& NRDOCUMENTO,
                            double valor, rtl::TDateTime quando) {
  Lanca(conexao, {CDCLIENTE, CDCONSUMIDOR, CDFILIAL, CDCAIXA, NRDOCUMENTO, "C", valor, quando});
}

}  // namespace VyrRecebimento
