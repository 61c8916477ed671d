#include "fiscal/fiscal_routines.h"
#include "rtl/errors.h"

namespace VyrFiscal::Routines {

std::string getNumeroSerieNFCe(const std::string&, const std::string&) {
  throw rtl::Exception("getNumeroSerieNFCe: not available yet");
}

std::string getDataEmissNFCe() {
  throw rtl::Exception("getDataEmissNFCe: not available yet");
}

}  // namespace VyrFiscal::Routines
