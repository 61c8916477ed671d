#include "fiscal/fiscal_routines.h"
#include "rtl/errors.h"

namespace VyrFiscal::Routines {

double CalculoIcmsDFederal(TClientDataSet&, Variant&, double) {
  throw rtl::Exception("CalculoIcmsDFederal: not available yet");
}

}  // namespace VyrFiscal::Routines
