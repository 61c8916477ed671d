#include "fiscal/fiscal_routines.h"
#include "rtl/errors.h"

namespace VyrFiscal::Routines {

Variant BuscaVenda(const Variant&, Variant&) {
  throw rtl::Exception("BuscaVenda: not available yet");
}

}  // namespace VyrFiscal::Routines
