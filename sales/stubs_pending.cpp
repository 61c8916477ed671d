// TEMPORARY: placeholders until the sale recording lands; the sales helper deletes this.
#include "datamodule/rdm_imp_exp_kds.h"

namespace Cli_Qam00417 {
using U = std::u16string;
void TrdmImpExpKds::DeclareSaleRecording() {}
Variant TrdmImpExpKds::setCancelaVenda(const Variant&, const Variant&, const U&, const U&,
                                       const U&, const U&, TDateTime) {
  return {};
}
std::string TrdmImpExpKds::PrxNrSeqVenda(const std::string&, const std::string&, int) {
  return {};
}
}  // namespace Cli_Qam00417
