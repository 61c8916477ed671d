// The sale number comes from the shared next-code service, on the data module's connection.
// A recorded sale draws it as every sale of the store does, committed before its rows.

#include "sales/sale_recording.h"
#include "vyrutil/next_code.h"

namespace Cli_Qam00417 {

std::string TrdmImpExpKds::PrxNrSeqVenda(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                         int n) {
  VyrUtil::TdtmVyrProxCodigo proxCodigo(adcImpExpKds);
  return proxCodigo.PrxPedidoVenda(CDFILIAL, CDCAIXA, n, "");
}

void TrdmImpExpKds::SorteiaNrSeqVenda(SaleRecording& sale) {
  if (!cdsItemVenda.IsEmpty()) {
    sale.CDFILIAL = cdsItemVendaCDFILIAL->AsString();
  } else if (!sale.itensCanc.IsEmpty()) {
    sale.CDFILIAL = sale.itensCanc.FieldByName("CDFILIAL").AsString();
  }
  // Committed at once, on the data module's connection: the number is taken from here on,
  // whatever happens to the sale.
  sale.NRSEQVENDA = VyrUtil::SorteiaNrSeqVenda(adcImpExpKds, sale.CDFILIAL, sale.CDCAIXA);
}

}  // namespace Cli_Qam00417
