#include "receivables/receivables_functions.h"
#include "rtl/errors.h"

namespace VyrRecebimento::Routines {

Variant setNumeroNFCe(const std::string&, const std::string&, const std::string&,
                      const std::string&, bool) {
  throw rtl::Exception("setNumeroNFCe: not available yet");
}

}  // namespace VyrRecebimento::Routines
