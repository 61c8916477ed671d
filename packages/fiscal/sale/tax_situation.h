#pragma once
// What the NFC-e and the CF-e can declare of an item's taxes and of a payment, shared by the
// refusals before a sale is recorded and the document builders, so both agree.

#include <string>

namespace VyrFiscal {

// True for the regimes (FILIAL.IDREGTRIBFILI, the CRT) whose documents declare a CSOSN: "1"
// Simples Nacional and "4" MEI. "2" and "3" declare a CST.
bool RegimeDeCsosn(const std::string& CRT);

// True when an item may declare the ICMS situation `situacao` under regime `CRT`: CSOSN 102, 300,
// 400 or 500 for a Simples Nacional regime; CST 00, 40, 41 or 60 for the others.
bool SituacaoIcmsDeclaravel(const std::string& CRT, const std::string& situacao);

// True for the PIS/COFINS situations the documents declare: 01 and 02 (rate on the value), 04
// and 06 to 09 (not taxed), 49 and 99 (other).
bool SituacaoPisDeclaravel(const std::string& situacao);

// The layout's payment code (tPag, cMP) of a payment type's fiscal code (CDFPIMPFIS): "01".."99"
// as the layout lists them ("1" reads as "01"); "" when it is none of them.
std::string CodigoPagamento(const std::string& CDFPIMPFIS);

}  // namespace VyrFiscal
