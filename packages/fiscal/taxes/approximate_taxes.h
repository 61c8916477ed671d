#pragma once
// Approximate taxes of an item (IBPT table, Lei 12.741), from the table imported into the store.

#include <string>

#include "db/connection.h"
#include "rtl/datetime.h"

namespace VyrFiscal {

struct TributoAproximado {
  double federal = 0;   // rounded to two decimals
  double estadual = 0;  // rounded to two decimals
};

// The approximate taxes of `base` (the net item value) of a product with this NCM and origin,
// sold in state `UF` on `data`. An NCM without a valid row of the table gives zeros.
TributoAproximado TributoItem(ado::TADOConnection& conexao, const std::string& NCM,
                              const std::string& origem, const std::string& UF, double base,
                              rtl::TDateTime data);

// True when the store holds an IBPT table of state `UF` in force on `data` (TABIBPT). Without
// one, approximate taxes are unknown, not zero.
bool TabelaIbptCarregada(ado::TADOConnection& conexao, const std::string& UF, rtl::TDateTime data);

// The warning of a state without a table in force, for the activity log and the receipt.
std::string AvisoSemTabelaIbpt(const std::string& UF);

}  // namespace VyrFiscal
