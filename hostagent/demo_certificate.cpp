#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "hostagent/demo_orders.h"

// The demo register's A1 certificate, made when the demo store is made so that no private key
// is ever kept in the sources: self-signed, valid for a year, for the demo branch's CNPJ.

namespace hostagent {

namespace {

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error("certificado de demonstracao: " + what);
}

}  // namespace

void WriteDemoCertificate(const std::string& path, const std::string& password,
                          const std::string& cnpj) {
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_RSA_gen(2048), EVP_PKEY_free);
  Check(key != nullptr, "a chave RSA nao foi gerada");
  std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), X509_free);
  Check(cert != nullptr, "sem memoria");
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 365L * 24 * 3600);
  X509_NAME* name = X509_get_subject_name(cert.get());
  const std::string common_name = "RESTAURANTE DEMONSTRACAO LTDA:" + cnpj;
  X509_NAME_add_entry_by_txt(name, "C", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("BR"),
                             -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                             reinterpret_cast<const unsigned char*>(common_name.c_str()), -1, -1,
                             0);
  X509_set_issuer_name(cert.get(), name);
  X509_set_pubkey(cert.get(), key.get());
  Check(X509_sign(cert.get(), key.get(), EVP_sha256()) > 0, "a assinatura falhou");
  std::unique_ptr<PKCS12, decltype(&PKCS12_free)> p12(
      PKCS12_create(password.c_str(), "a1", key.get(), cert.get(), nullptr, 0, 0, 0, 0, 0),
      PKCS12_free);
  Check(p12 != nullptr, "o PKCS#12 nao foi montado");
  FILE* file = std::fopen(path.c_str(), "wb");
  const bool ok = file != nullptr && i2d_PKCS12_fp(file, p12.get()) == 1;
  if (file != nullptr) std::fclose(file);
  Check(ok, "nao foi possivel gravar " + path);
}

}  // namespace hostagent
