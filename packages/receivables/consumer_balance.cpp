#include "receivables/receivables_functions.h"
#include "rtl/errors.h"

namespace VyrRecebimento::Routines {

Variant getMinDtMovExtCons(const std::string&, const std::string&) {
  throw rtl::Exception("getMinDtMovExtCons: not available yet");
}

void EvoluiSaldo(const std::string&, const std::string&, const std::string&, TDateTime) {
  throw rtl::Exception("EvoluiSaldo: not available yet");
}

Variant setValidaSaldoCons(const std::string&, const std::string&, const std::string&,
                           const std::string&, const std::string&, const std::string&,
                           const std::string&, const Variant&, TDateTime) {
  throw rtl::Exception("setValidaSaldoCons: not available yet");
}

}  // namespace VyrRecebimento::Routines
