#pragma once
// A throwaway A1 certificate for tests and the demo, made at run time so that no private key
// is ever committed: an RSA key with a certificate for a company's CNPJ, issued by a throwaway
// authority, packed as the PKCS#12 file a register keeps, plus both certificates as PEM files
// for checking signatures. Throws std::runtime_error when OpenSSL fails.

#include <string>

namespace vyrtest {

struct TestCertificate {
  std::string pfx_path;       // PKCS#12: key, certificate and the authority's certificate
  std::string password;       // opens the PKCS#12 file
  std::string cert_pem_path;  // the signer's certificate
  std::string ca_pem_path;    // the authority that issued it
};

// Writes "<folder>/<name>.pfx", "<folder>/<name>.pem" and "<folder>/<name>-ca.pem". The
// certificate is valid from `valid_from_days` days from now (less an hour; by default long enough
// before it for the fixed evenings the tests' clocks are held at) to `valid_days` days from now.
TestCertificate MakeTestCertificate(const std::string& folder, const std::string& name = "a1",
                                    const std::string& password = "senha-de-teste",
                                    const std::string& cnpj = "11222333000181",
                                    long valid_days = 365, long valid_from_days = -400);

// A TLS server's certificate for 127.0.0.1 and "localhost", issued by its own throwaway
// authority: what a local stand-in of a web service presents.
struct TestServerCertificate {
  std::string cert_pem_path;  // the server's certificate
  std::string key_pem_path;   // its private key, unencrypted
  std::string ca_pem_path;    // the authority a client must trust
};

// Writes "<folder>/<name>.pem", "<folder>/<name>-key.pem" and "<folder>/<name>-ca.pem".
TestServerCertificate MakeTestServerCertificate(const std::string& folder,
                                                const std::string& name = "servidor");

}  // namespace vyrtest
