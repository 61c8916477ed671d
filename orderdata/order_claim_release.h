#pragma once
// Giving back a register's claim on an order (RESERVACOMANDA, taken by the scan: see
// scan/order_claim.h), apart from the claim itself so that the closing gives it back in the
// same transaction as the order's mark, and no claim outlives a marked order.

#include <string>

#include "db/connection.h"

namespace Cli_Qam00417 {

struct ComandaReservada {
  std::string CDFILIAL, NRVENDAREST, NRCOMANDA;
};

// Gives back the register's claim on the order (nothing when it holds none), inside the
// connection's open transaction when there is one. Raises what the store raises.
void LiberaComanda(ado::TADOConnection& conexao, const ComandaReservada& comanda,
                   const std::string& CDCAIXA);

}  // namespace Cli_Qam00417
