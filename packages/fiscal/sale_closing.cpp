#include "fiscal/fiscal_routines.h"
#include "rtl/errors.h"

namespace VyrFiscal::Routines {

Variant SetConcluiFechamento(const std::vector<TClientDataSet*>&, const Variant&, Variant&) {
  return Variant("ERRO SetConcluiFechamento: not available yet");
}

}  // namespace VyrFiscal::Routines
