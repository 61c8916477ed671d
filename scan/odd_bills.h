#pragma once
// The store's waiting bills that the scan must not close because the exported data is at fault,
// each with the reason the log and `hostagent status` give:
// - a bill number shared by two or more waiting bills: the closing finds a bill by its number,
//   so it would mix their items or take the second for the first one already recorded; neither
//   is closed until the exporting program gives each its own number (or removes the copy);
// - a bill without items: it has nothing to sell, and the pending list (which joins the items)
//   would never show it.
// The bills stay waiting (IDIMPCUPEXP '2'); each is closed as usual once its data is mended.

#include <string>
#include <vector>

#include "db/connection.h"

namespace Cli_Qam00417 {

// The text that opens every line about such a bill; `hostagent status` reads the lines by it.
inline constexpr const char* kPedidoNaoFechado = "Pedido não fechado (venda ";

struct ComandaAnomala {
  std::string NRVENDAREST, NRCOMANDA;
  std::string linha;  // the whole log line: kPedidoNaoFechado + "V, comanda C): " + reason
};

// The waiting bills of the store at fault, as seen from register `CDCAIXA` (none while its
// automatic closing is off). Raises what the store raises.
std::vector<ComandaAnomala> ComandasAnomalas(ado::TADOConnection& conexao,
                                             const std::string& CDFILIAL, const std::string& CDLOJA,
                                             const std::string& CDCAIXA);

}  // namespace Cli_Qam00417
