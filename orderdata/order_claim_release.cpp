#include "orderdata/order_claim_release.h"

#include "db/statement_kit.h"

namespace Cli_Qam00417 {

namespace {

const char* const kDelReserva =
    R"mssql(DELETE FROM RESERVACOMANDA WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA AND CDCAIXA = :P_CDCAIXA)mssql";

}  // namespace

void LiberaComanda(ado::TADOConnection& conexao, const ComandaReservada& comanda,
                   const std::string& CDCAIXA) {
  ado::RunCommand(conexao, "acmDelReservaComanda", kDelReserva,
                  {{"P_CDFILIAL", comanda.CDFILIAL},
                   {"P_NRVENDAREST", comanda.NRVENDAREST},
                   {"P_NRCOMANDA", comanda.NRCOMANDA},
                   {"P_CDCAIXA", CDCAIXA}});
}

}  // namespace Cli_Qam00417
