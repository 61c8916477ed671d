#include "fiscal/recorded_sale.h"

#include "rtl/errors.h"

namespace VyrFiscal {

VendaGravada LeVendaGravada(ado::TADOConnection&, const std::string& CDFILIAL,
                            const std::string& CDCAIXA, const std::string& NRSEQVENDA) {
  throw rtl::EDatabaseError("Sale " + CDFILIAL + "/" + CDCAIXA + "/" + NRSEQVENDA +
                            ": reading recorded sales is not available yet");
}

}  // namespace VyrFiscal
