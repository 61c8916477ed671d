#pragma once
// The state of a recorded sale's fiscal document, kept on the sale itself (VENDA.IDDOCPENDVENDA
// with the moment it was set in DTDOCPENDVENDA). A sale is recorded with its document pending and
// the state is cleared only once the document is issued (or authorised) and stored, so a sale
// whose document was never issued stays visible whatever stopped its closing. Internal to the
// package.

#include <cstdint>
#include <string>

#include "db/connection.h"

namespace VyrFiscal {

// Recorded, document not issued yet (CF-e or NFC-e).
extern const char* const kDocNaoEmitido;
// An NFC-e issued in contingency, not yet authorised by the authority.
extern const char* const kDocContingencia;

// Sets the sale's pending state; answers how many sales were marked (0 when there is no such
// sale). Runs in the caller's transaction when there is one.
int64_t MarcaDocumentoPendente(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                               const std::string& CDCAIXA, const std::string& NRSEQVENDA,
                               const std::string& marca);

// Clears the sale's pending state: its document was issued and stored.
void LimpaDocumentoPendente(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                            const std::string& CDCAIXA, const std::string& NRSEQVENDA);

}  // namespace VyrFiscal
