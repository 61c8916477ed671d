#include "fiscal/fiscal_routines.h"
#include "rtl/errors.h"

namespace VyrFiscal::Routines {

Variant AlteraVendaCan(const Variant&, Variant&) {
  throw rtl::Exception("AlteraVendaCan: not available yet");
}

}  // namespace VyrFiscal::Routines
