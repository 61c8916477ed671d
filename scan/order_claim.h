#pragma once
// A register's claim on an order it is about to close, kept in the store (RESERVACOMANDA), so
// that two registers of one store do not both work the same bill. A claim left by a register
// that stopped without giving it back (a crash) expires after kValidadeReservaSegundos; the
// register's own claim is always its own to take again (one worker serves a register).
//
// The claim is given back by LiberaComanda (orderdata/order_claim_release.h).
//
// Claims only keep registers apart: a bill is still recorded once by the fiscal package's own
// check, whatever the claims say (an expired claim whose register still works, clocks apart).

#include <string>

#include "db/connection.h"
#include "orderdata/order_claim_release.h"

namespace Cli_Qam00417 {

inline constexpr int kValidadeReservaSegundos = 120;

// Claims the order for `CDCAIXA`: answers "" when the claim is this register's now, else the
// register whose live claim holds it. Raises what the store raises.
std::string ReservaComanda(ado::TADOConnection& conexao, const ComandaReservada& comanda,
                           const std::string& CDCAIXA);

// Drops the branch's claims, of any register, whose bill no longer waits for the automatic
// closing (closed, taken off the queue or removed): a claim a stop left between the order's
// mark and its release keeps nothing apart any more.
void LiberaComandasDeixadas(ado::TADOConnection& conexao, const std::string& CDFILIAL);

// The sale another register recorded for the order (not cancelled): its register and number,
// both empty when the order has none, or has one of register `CDCAIXA`.
struct VendaDeOutroCaixa {
  std::string CDCAIXA, NRSEQVENDA;
};
VendaDeOutroCaixa VendaGravadaPorOutroCaixa(ado::TADOConnection& conexao,
                                            const ComandaReservada& comanda,
                                            const std::string& CDCAIXA);

}  // namespace Cli_Qam00417
