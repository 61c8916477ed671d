// The sale number comes from the shared next-code service, on the data module's connection,
// so the caller's transaction covers it.

#include "sales/sale_recording.h"
#include "vyrutil/next_code.h"

namespace Cli_Qam00417 {

std::string TrdmImpExpKds::PrxNrSeqVenda(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                         int n) {
  VyrUtil::TdtmVyrProxCodigo proxCodigo(adcImpExpKds);
  return proxCodigo.PrxPedidoVenda(CDFILIAL, CDCAIXA, n, "");
}

}  // namespace Cli_Qam00417
