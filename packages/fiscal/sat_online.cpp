#include "fiscal/fiscal_routines.h"
#include "rtl/errors.h"

namespace VyrFiscal::Routines {

bool SATOnline(const std::string&, const std::string&, const std::string&, const std::string&,
               const std::string&, const std::string&, const std::string&, const std::string&,
               std::vector<std::string>&) {
  throw rtl::Exception("SATOnline: not available yet");
}

Variant AtualizaVendaSat(const std::string&, const std::string&, const std::string&,
                         const std::string&, const std::string&, const std::vector<std::string>&) {
  throw rtl::Exception("AtualizaVendaSat: not available yet");
}

}  // namespace VyrFiscal::Routines
