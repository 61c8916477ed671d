#include "fiscal/approximate_taxes.h"
#include "fiscal/fiscal_routines.h"
#include "rtl/errors.h"

namespace VyrFiscal::Routines {

double CalculoIcmsDFederal(TClientDataSet&, Variant&, double) {
  throw rtl::Exception("CalculoIcmsDFederal: not available yet");
}

}  // namespace VyrFiscal::Routines

namespace VyrFiscal {

TributoAproximado TributoItem(ado::TADOConnection&, const std::string&, const std::string&,
                              const std::string&, double, rtl::TDateTime) {
  return {};
}

}  // namespace VyrFiscal
