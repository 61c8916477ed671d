#pragma once
// The validity of a register's A1 certificate (a PKCS#12 file), checked before the register
// closes sales: a certificate that cannot be read, has expired or is not valid yet is a fault of
// the register (fiscal/register_fault.h), which then signs no note, and one that ends within
// kDiasAvisoCertificado days is announced, naming the file and the day. The password is never
// shown.

#include <string>

#include "rtl/datetime.h"

namespace VyrFiscal::Nfce {

inline constexpr int kDiasAvisoCertificado = 30;

// The period of the certificate's validity (UTC, as the file states it).
struct ValidadeCertificado {
  rtl::TDateTime inicio = 0;  // notBefore
  rtl::TDateTime fim = 0;     // notAfter
};

// Raises FalhaDoCaixa naming `arquivoPfx` when the file cannot be read or the password does not
// open it.
ValidadeCertificado ValidadeDoCertificado(const std::string& arquivoPfx, const std::string& senha);
rtl::TDateTime FimDaValidade(const std::string& arquivoPfx, const std::string& senha);

// "" while the certificate is far from its end; from kDiasAvisoCertificado days before it, the
// line to log ("NFC-e: o certificado '<file>' vence em YYYY-MM-DD"). Raises FalhaDoCaixa
// naming the file and the date once `agora` is past `fim`.
std::string AvisoValidade(const std::string& arquivoPfx, rtl::TDateTime fim, rtl::TDateTime agora);
// As above, and raises FalhaDoCaixa naming the file and the first day of its validity while
// `agora` is before it: a note signed then would be refused.
std::string AvisoValidade(const std::string& arquivoPfx, const ValidadeCertificado& validade,
                          rtl::TDateTime agora);

}  // namespace VyrFiscal::Nfce
