#pragma once
// One SOAP call over HTTPS with mutual TLS (libcurl with OpenSSL): the register's A1
// certificate (a PKCS#12 file) authenticates the client, the server's certificate is checked
// against the installation's CA bundle (or the system's when none is set), and both the
// connection and the whole call are bounded in time.
//
// Thread-safe: each call has its own handle.

#include <string>

#include "fiscal/nfce/authoriser.h"

namespace VyrFiscal::Nfce {

struct ParametrosTls {
  std::string arquivoCertificado;  // PKCS#12 file of the client certificate
  std::string senhaCertificado;    // its password; never shown
  std::string arquivoCadeiaCa;     // PEM bundle the server must chain to; empty: the system's
  long segundosConexao = 10;       // to reach the server and finish the TLS handshake
  long segundosTotal = 30;         // for the whole call, answer included
};

// POSTs `corpo` to `url` with the given Content-Type. The answer:
//   Respondeu      HTTP 200, `xml` holds the body;
//   SemConexao     nothing of the request went out (name not resolved, connection refused,
//                  TLS refused, certificate unreadable, connection time-out);
//   TempoEsgotado  the request went out and no complete answer came (time-out, connection
//                  dropped, or an HTTP error status): the server may have acted on it.
// `detalhe` names the URL and the cause; the password never appears in it.
RespostaTransporte PostHttps(const std::string& url, const std::string& tipoConteudo,
                             const std::string& corpo, const ParametrosTls& tls);

}  // namespace VyrFiscal::Nfce
