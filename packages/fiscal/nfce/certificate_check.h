#pragma once
// The validity of a register's A1 certificate (a PKCS#12 file), checked when its worker starts:
// a certificate that cannot be read or has expired stops the register before it signs a note,
// and one that ends within kDiasAvisoCertificado days is announced, naming the file and the day.
// The password is never shown.

#include <string>

#include "rtl/datetime.h"

namespace VyrFiscal::Nfce {

inline constexpr int kDiasAvisoCertificado = 30;

// The end of the certificate's validity (UTC, as the file states it). Raises rtl::EInOutError
// naming `arquivoPfx` when the file cannot be read or the password does not open it.
rtl::TDateTime FimDaValidade(const std::string& arquivoPfx, const std::string& senha);

// "" while the certificate is far from its end; from kDiasAvisoCertificado days before it, the
// line to log ("NFC-e: o certificado '<file>' vence em YYYY-MM-DD"). Raises rtl::Exception
// naming the file and the date once `agora` is past `fim`.
std::string AvisoValidade(const std::string& arquivoPfx, rtl::TDateTime fim, rtl::TDateTime agora);

}  // namespace VyrFiscal::Nfce
