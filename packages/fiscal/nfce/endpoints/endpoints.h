#pragma once
// Where a register's NFC-e (model 65) goes, per state and environment: the authoriser's
// service URLs, the QR code's base address and the consultation address (urlChave) printed on
// the receipt. The addresses are the ones the states publish; a register's CAIXAFISCAL may
// override the QR and urlChave addresses (DSURLQRCODE, DSURLCHAVE).

#include <string>

namespace VyrFiscal::Nfce {

struct EnderecosNfce {
  std::string uf;           // "SP"
  std::string autorizador;  // "SP", or "SVRS" for the states SEFAZ Virtual RS serves
  std::string urlQrCode;    // base of infNFeSupl/qrCode (before "?p=")
  std::string urlChave;     // infNFeSupl/urlChave, verbatim (some have no scheme)
  // https URLs of the services.
  std::string autorizacao, retAutorizacao, consultaProtocolo, statusServico, inutilizacao,
      recepcaoEvento;
};

// The addresses of state `cUF` (two digits, "35") in environment `tpAmb` ("1" production,
// "2" homologation). Raises rtl::Exception naming the state code when the table has none.
EnderecosNfce EnderecosDoEstado(const std::string& cUF, const std::string& tpAmb);

}  // namespace VyrFiscal::Nfce
