#include "datamodule/rdm_imp_exp_kds.h"

namespace Cli_Qam00417 {

// The pass over pending orders arrives with the scan; until then the worker loops idle.
void TrdmImpExpKds::VerificaPedidosExpKDS(const std::string&, const std::string&,
                                          const std::string&) {}

}  // namespace Cli_Qam00417
