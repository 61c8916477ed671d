#include "scan/order_claim.h"

#include "db/db_error.h"
#include "db/statement_kit.h"
#include "rtl/datetime.h"

namespace Cli_Qam00417 {

namespace {

constexpr double kSegundosPorDia = 86400.0;

// The register's own claim, and any claim past its time, make way for a new one.
const char* const kDelVencida =
    R"mssql(DELETE FROM RESERVACOMANDA WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA AND (CDCAIXA = :P_CDCAIXA OR DTHRRESERVA < :P_DTHRVALIDADE))mssql";

// The key decides between two registers that claim at the same moment: one insert fails.
const char* const kInsReserva =
    R"mssql(INSERT INTO RESERVACOMANDA (CDFILIAL, NRVENDAREST, NRCOMANDA, CDCAIXA, DTHRRESERVA) VALUES (:P_CDFILIAL, :P_NRVENDAREST, :P_NRCOMANDA, :P_CDCAIXA, :P_DTHRRESERVA))mssql";

const char* const kSelDono =
    R"mssql(SELECT CDCAIXA FROM RESERVACOMANDA WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA)mssql";

const char* const kDelDeixadas =
    R"mssql(DELETE FROM RESERVACOMANDA WHERE CDFILIAL = :P_CDFILIAL AND NOT EXISTS (SELECT 1 FROM COMANDAVEN CV WHERE CV.CDFILIAL = RESERVACOMANDA.CDFILIAL AND CV.NRVENDAREST = RESERVACOMANDA.NRVENDAREST AND CV.NRCOMANDA = RESERVACOMANDA.NRCOMANDA AND CV.IDIMPCUPEXP = '2'))mssql";

const char* const kSelVendasDaComanda =
    R"mssql(SELECT CDCAIXA, NRSEQVENDA FROM VENDA WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDAVND = :P_NRCOMANDA AND IDSITUVENDA <> 'C' ORDER BY CDCAIXA, NRSEQVENDA)mssql";

const char* const kSqlStateRestricao = "23000";

ado::Bindings Chave(const ComandaReservada& comanda) {
  return {{"P_CDFILIAL", comanda.CDFILIAL},
          {"P_NRVENDAREST", comanda.NRVENDAREST},
          {"P_NRCOMANDA", comanda.NRCOMANDA}};
}

ado::Bindings ComCaixa(const ComandaReservada& comanda, const std::string& CDCAIXA,
                       const ado::Bindings& mais = {}) {
  ado::Bindings ligacoes = Chave(comanda);
  ligacoes.push_back({"P_CDCAIXA", CDCAIXA});
  ado::AppendBindings(ligacoes, mais);
  return ligacoes;
}

// Inserts the claim: false when the bill holds a claim already (the key decides).
bool Insere(ado::TADOConnection& conexao, const ado::Bindings& insercao) {
  try {
    ado::RunCommand(conexao, "acmInsReservaComanda", kInsReserva, insercao);
  } catch (const ado::EADOError& erro) {
    if (erro.SqlState() != kSqlStateRestricao) throw;
    return false;
  }
  return true;
}

}  // namespace

// Most claims meet no claim on the bill: the insert alone takes them, in one statement. Only a
// claim that is there already (the register's own, one past its time, or another register's
// live one) costs the delete of what makes way and a second insert.
std::string ReservaComanda(ado::TADOConnection& conexao, const ComandaReservada& comanda,
                           const std::string& CDCAIXA) {
  const rtl::TDateTime agora = rtl::Now();
  const ado::Bindings insercao =
      ComCaixa(comanda, CDCAIXA, {{"P_DTHRRESERVA", rtl::Variant::FromDateTime(agora)}});
  if (Insere(conexao, insercao)) return "";
  const int64_t liberadas = ado::RunCommand(
      conexao, "acmDelReservaVencida", kDelVencida,
      ComCaixa(comanda, CDCAIXA,
               {{"P_DTHRVALIDADE",
                 rtl::Variant::FromDateTime(agora - kValidadeReservaSegundos / kSegundosPorDia)}}));
  if (liberadas > 0 && Insere(conexao, insercao)) return "";
  std::string dono;
  const ado::Bindings chave = Chave(comanda);
  ado::ReadFirstRow(conexao, "adqDonoReserva", kSelDono, ado::ParamsFor(chave), chave,
                    [&dono](ado::TADOQuery& query) { dono = ado::FirstValue(query, "CDCAIXA"); });
  // A claim given back between the insert and the look: the next pass claims it.
  return dono.empty() ? "?" : dono;
}

void LiberaComandasDeixadas(ado::TADOConnection& conexao, const std::string& CDFILIAL) {
  ado::RunCommand(conexao, "acmDelReservasDeixadas", kDelDeixadas, {{"P_CDFILIAL", CDFILIAL}});
}

VendaDeOutroCaixa VendaGravadaPorOutroCaixa(ado::TADOConnection& conexao,
                                            const ComandaReservada& comanda,
                                            const std::string& CDCAIXA) {
  VendaDeOutroCaixa outra;
  bool propria = false;
  const ado::Bindings chave = Chave(comanda);
  ado::ForEachRow(conexao, "adqVendasDaComanda", kSelVendasDaComanda, ado::ParamsFor(chave), chave,
                  [&](ado::TADOQuery& query) {
                    const std::string caixa = ado::FirstValue(query, "CDCAIXA");
                    propria = propria || caixa == CDCAIXA;
                    if (outra.CDCAIXA.empty() && caixa != CDCAIXA) {
                      outra = {caixa, ado::FirstValue(query, "NRSEQVENDA")};
                    }
                  });
  return propria ? VendaDeOutroCaixa{} : outra;
}

}  // namespace Cli_Qam00417
