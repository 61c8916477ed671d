#include "fiscal/fiscal_routines.h"
#include "rtl/errors.h"

namespace VyrFiscal::Routines {

Variant DisparaImpressaoNaoFiscal(const Variant&, Variant&) {
  throw rtl::Exception("DisparaImpressaoNaoFiscal: not available yet");
}

}  // namespace VyrFiscal::Routines
