#pragma once
// The enveloped XML signature of an NFC-e's `infNFe` with the register's A1 certificate (a
// PKCS#12 file), as the layout fixes it: C14N, RSA-SHA1, SHA-1 digest, the enveloped-signature
// and C14N transforms, and the signer's certificate alone in KeyInfo (no chain). The signature
// is the last child of `NFe`; base64 values are written on one line.
//
// Thread-safe: the XML security library is set up once per process, and each call has its
// own document and key. The certificate read last is kept (under a lock) while its file's size
// and modification time and the password stay the same.

#include <string>

namespace VyrFiscal::Nfce {

struct NotaAssinada {
  std::string xml;          // the signed note, `NFe` element only (no XML declaration)
  std::string digestValue;  // base64 digest of infNFe, as in the signature
};

// Signs `xmlNfe` (an `NFe` holding `infNFe` with its Id). Raises rtl::EInOutError naming
// `arquivoPfx` when the file cannot be read or the password does not open it (the password is
// never shown), and rtl::Exception when the note cannot be signed.
NotaAssinada AssinaNfe(const std::string& xmlNfe, const std::string& arquivoPfx,
                       const std::string& senha);

// Signs a voiding request (`inutNFe` holding `infInut` with its Id) the same way; raises as
// AssinaNfe does.
std::string AssinaInutilizacao(const std::string& xmlInutNfe, const std::string& arquivoPfx,
                               const std::string& senha);

// Signs an event (`evento` holding `infEvento` with its Id, the cancellation 110111) the same
// way, the signature the last child of `evento`; raises as AssinaNfe does.
std::string AssinaEvento(const std::string& xmlEvento, const std::string& arquivoPfx,
                         const std::string& senha);

// The signed note with `infNFeSupl` (QR code text and the consultation address) placed between
// `infNFe` and `Signature`, the signed bytes left untouched.
std::string ComInfNfeSupl(const std::string& xmlAssinado, const std::string& qrCode,
                          const std::string& urlChave);

}  // namespace VyrFiscal::Nfce
