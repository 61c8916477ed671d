#include "fiscal/nfce_emission.h"

namespace VyrFiscal {

// Until the documents are built, an NFC-e register's sale is recorded without one.
NfceDocument PreparaNfce(ado::TADOConnection&, const NfceRequest&) {
  return {};
}

NfceDocument TransmiteNfce(ado::TADOConnection&, const NfceRequest&, const NfceDocument& document) {
  return document;
}

NfceParaImpressao NfceImpressao(ado::TADOConnection&, const std::string&) {
  return {};
}

std::string ChaveNfceGravada(ado::TADOConnection&, const std::string&, const std::string&,
                             const std::string&) {
  return "";
}

}  // namespace VyrFiscal
