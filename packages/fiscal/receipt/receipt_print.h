#pragma once
// Printing a receipt: the closing's print request, the document pass and an operator's reprint
// all go through ImprimeRecibo. Internal to the package.

#include <string>

#include "db/connection.h"
#include "fiscal/receipt/receipt_source.h"
#include "fiscal/receipt/receipt_state.h"

namespace VyrFiscal::Cupom {

// Prints the receipt of `parametros`: its text copy (and QR image) under
// Dados/Impressao/<YYYY-MM-DD>/ (the branch's day the document bears), then
// the printer. When the sale is known, its print state (receipt_state.h) is taken before the
// printer is called and its outcome recorded after. Answers Nenhuma, printing nothing, when the
// state was not taken (printed already, being printed, out of attempts), unless `reimpressao`;
// SegundaVia when the paper printed says it is a second copy; Primeira otherwise.
// Raises what the printer or the store raise (a failed print is recorded first).
Reserva ImprimeRecibo(ado::TADOConnection& conexao, const ParametrosRecibo& parametros,
                      bool reimpressao);

// The receipt of a recorded sale from its stored document (NFCEVENDA or VENDACFESAT), without
// the printer's values. Raises rtl::EDatabaseError naming the sale when it has no stored
// document.
ParametrosRecibo ReciboDaVenda(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                               const std::string& CDCAIXA, const std::string& NRSEQVENDA);

}  // namespace VyrFiscal::Cupom
