#pragma once
// The DANFE of a note issued in contingency, printed by the package itself: the closing prints
// no receipt for a sale whose note came back in contingency ("CONTIGENCIA_SP"), yet the consumer
// must leave with the DANFE, and the store must keep its own copy.

#include <string>

#include "db/connection.h"

namespace VyrFiscal::Cupom {

// Prints the DANFE of the sale's note `chave` to the register's receipt printer (CAIXA's
// NRSEQIMPRLOJA6, its port and model), with the order's code (VENDA.CDSENHAPED), through the
// same print as the closing's receipts (DisparaImpressaoNaoFiscal, "VENDA_NFCe"): a note in
// contingency prints its two copies, "Via Consumidor" and "Via Estabelecimento", with
// "EMITIDA EM CONTINGÊNCIA" and "Pendente de autorização". Raises what that print raises.
void ImprimeDanfeContingencia(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                              const std::string& CDCAIXA, const std::string& NRSEQVENDA,
                              const std::string& chave);

}  // namespace VyrFiscal::Cupom
