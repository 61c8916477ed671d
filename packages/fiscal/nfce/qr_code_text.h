#pragma once
// The text of an NFC-e's QR code, version 2: the consumer's phone opens it to check the note.

#include <string>

namespace VyrFiscal::Nfce {

struct DadosQrCode {
  std::string url;    // the state's QR address, without "?p="
  std::string chave;  // 44 digits
  std::string tpAmb;  // "1" or "2"
  std::string idCSC;  // the CSC's id; leading zeros are dropped
  std::string CSC;    // the secret code itself (never printed)
  // Offline form only (tpEmis 9):
  std::string dia;          // day of emission, "DD"
  std::string vNF;          // "61.80"
  std::string digestValue;  // base64 DigestValue of the signed note
};

// Uppercase hex SHA-1 of `parametros` + `CSC`.
std::string HashQrCode(const std::string& parametros, const std::string& CSC);

// "url?p=chave|2|tpAmb|idCSC|HASH".
std::string QrCodeOnline(const DadosQrCode& dados);

// "url?p=chave|2|tpAmb|DD|vNF|digValHex|idCSC|HASH", digValHex being the lowercase hex of the
// DigestValue's characters.
std::string QrCodeOffline(const DadosQrCode& dados);

}  // namespace VyrFiscal::Nfce
