// A bill's document number and its reservation, committed together: a number the counter gave
// out is always either reserved for a bill or carried by a note, so the closing's settling of
// numbers left behind (released or voided) sees every one of them.

#include <string>

#include "receivables/receivables_functions.h"
#include "receivables/receivables_store.h"
#include "rtl/datetime.h"
#include "rtl/fault_point.h"

namespace VyrRecebimento::Rotinas {
namespace {

const char* const kSelReservado =
    R"mssql(SELECT NRDOCFIS FROM NUMDOCRESERV WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA AND CDMODDOCFIS = :P_CDMODDOCFIS AND NRSERIEDOCFIS = :P_NRSERIEDOCFIS AND IDAMBDOCFIS = :P_IDAMBDOCFIS AND IDSITRESERVA = 'reserved')mssql";

const char* const kInsReserva =
    R"mssql(INSERT INTO NUMDOCRESERV (CDFILIAL, CDMODDOCFIS, NRSERIEDOCFIS, IDAMBDOCFIS, NRDOCFIS, CDCAIXA, NRVENDAREST, NRCOMANDA, IDSITRESERVA, DTHRRESERVA) VALUES (:P_CDFILIAL, :P_CDMODDOCFIS, :P_NRSERIEDOCFIS, :P_IDAMBDOCFIS, :P_NRDOCFIS, :P_CDCAIXA, :P_NRVENDAREST, :P_NRCOMANDA, 'reserved', :P_DTHRRESERVA))mssql";

std::string Reservado(ado::TADOConnection& conexao, const ado::Bindings& daComanda) {
  std::string numero;
  ado::ReadFirstRow(conexao, "adqNumeroReservado", kSelReservado,
                    ado::TextParams({"P_CDFILIAL", "P_NRVENDAREST", "P_NRCOMANDA", "P_CDMODDOCFIS",
                                     "P_NRSERIEDOCFIS", "P_IDAMBDOCFIS"}),
                    daComanda, [&numero](ado::TADOQuery& query) {
                      numero = query.FieldByName("NRDOCFIS").AsString();
                    });
  return numero;
}

void Reserva(ado::TADOConnection& conexao, const ado::Bindings& daComanda,
             const std::string& numero, const std::string& CDCAIXA) {
  ado::Bindings ligacoes = daComanda;
  ado::AppendBindings(ligacoes, {{"P_NRDOCFIS", numero},
                                 {"P_CDCAIXA", CDCAIXA},
                                 {"P_DTHRRESERVA", Variant::FromDateTime(rtl::Now())}});
  std::vector<ado::ParamDecl> parametros =
      ado::TextParams({"P_CDFILIAL", "P_CDMODDOCFIS", "P_NRSERIEDOCFIS", "P_IDAMBDOCFIS",
                       "P_NRDOCFIS", "P_CDCAIXA", "P_NRVENDAREST", "P_NRCOMANDA"});
  parametros.push_back(ado::DateTimeParam("P_DTHRRESERVA"));
  ado::RunCommand(conexao, "acmInsNumeroReservado", kInsReserva, std::move(parametros), ligacoes);
}

}  // namespace

Variant ReservaNumeroNFCe(const std::string& CDFILIAL, const std::string& CDCAIXA,
                          const std::string& serie, const std::string& ambiente, bool isNfce,
                          const std::string& NRVENDAREST, const std::string& NRCOMANDA) {
  const ado::Bindings daComanda = {
      {"P_CDFILIAL", CDFILIAL},   {"P_NRVENDAREST", NRVENDAREST},
      {"P_NRCOMANDA", NRCOMANDA}, {"P_CDMODDOCFIS", isNfce ? "65" : "59"},
      {"P_NRSERIEDOCFIS", serie}, {"P_IDAMBDOCFIS", ambiente}};
  const std::string contexto =
      "Reserva do número do documento fiscal da comanda " + NRCOMANDA + " (tabela NUMDOCRESERV)";
  ado::TADOConnection& conexao = ConexaoRecebimento();
  std::string numero;
  // The counter is advanced on this connection, inside this transaction: the reservation that
  // fails (a full disk) or never comes (a crash) takes the number back with it.
  Transacao transacao(conexao);
  try {
    // Read under the lock only: another register's closing of the bill may have reserved one.
    numero = Reservado(conexao, daComanda);
    if (!numero.empty()) return Variant(numero);
  } catch (const ado::EADOError& erro) {
    Relanca(contexto, erro);
  }
  // Through the package's operation, so an installation's own numbering is the one drawn from;
  // this package's joins the transaction on its connection.
  numero = VyrRecebimento::setNumeroNFCe(CDFILIAL, CDCAIXA, serie, ambiente, isNfce).AsString();
  rtl::FaultPoint(rtl::kFalhaNumeroSorteado);
  try {
    Reserva(conexao, daComanda, numero, CDCAIXA);
    transacao.Commit();
  } catch (const ado::EADOError& erro) {
    Relanca(contexto, erro);
  }
  return Variant(numero);
}

}  // namespace VyrRecebimento::Rotinas
