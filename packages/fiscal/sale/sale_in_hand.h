#pragma once
// The sale a closing has just read back for its document, kept for the receipt that follows in
// the same closing: the receipt is made of what the document was made of, without reading the
// sale, its items and its payments again.

#include <string>

#include "db/connection.h"
#include "fiscal/sale/recorded_sale.h"

namespace VyrFiscal {

// Keeps `venda`, recorded and committed, in place of the sale kept before (one at a time).
void GuardaVendaEmMaos(const VendaGravada& venda);

// The sale kept by GuardaVendaEmMaos when it is this one of this installation and nothing kept
// was forgotten since (fiscal/kept_settings.h), given once; else LeVendaGravada's. Thread safe.
VendaGravada VendaEmMaosOuLida(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                               const std::string& CDCAIXA, const std::string& NRSEQVENDA);

}  // namespace VyrFiscal
