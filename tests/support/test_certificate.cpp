#include "support/test_certificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace vyrtest {
namespace {

struct FreeKey {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct FreeCert {
  void operator()(X509* cert) const { X509_free(cert); }
};
using Key = std::unique_ptr<EVP_PKEY, FreeKey>;
using Cert = std::unique_ptr<X509, FreeCert>;

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("test certificate: ") + what + " failed");
}

Key NewKey() {
  Key key(EVP_RSA_gen(2048));
  Check(key != nullptr, "RSA key generation");
  return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  Check(ext != nullptr && X509_add_ext(cert, ext, -1) == 1, "certificate extension");
  X509_EXTENSION_free(ext);
}

// `issuer` null: self-signed by `key`.
Cert NewCert(EVP_PKEY* key, const std::string& common_name, long serial, X509* issuer,
             EVP_PKEY* issuer_key, long valid_days = 365, long valid_from_days = 0) {
  Cert cert(X509_new());
  Check(cert != nullptr, "certificate allocation");
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), valid_from_days * 24 * 3600 - 3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), valid_days * 24 * 3600);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "C", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("BR"),
                             -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                             reinterpret_cast<const unsigned char*>(common_name.c_str()), -1, -1,
                             0);
  X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer) : name);
  X509_set_pubkey(cert.get(), key);
  X509* signer = issuer ? issuer : cert.get();
  AddExtension(cert.get(), signer, NID_basic_constraints,
               issuer ? "critical,CA:FALSE" : "critical,CA:TRUE");
  AddExtension(cert.get(), signer, NID_key_usage,
               issuer ? "critical,digitalSignature,nonRepudiation,keyEncipherment"
                      : "critical,keyCertSign,cRLSign");
  Check(X509_sign(cert.get(), issuer_key ? issuer_key : key, EVP_sha256()) > 0,
        "certificate signature");
  return cert;
}

void WritePem(const std::string& path, X509* cert) {
  FILE* file = std::fopen(path.c_str(), "wb");
  Check(file != nullptr, ("opening " + path).c_str());
  const bool ok = PEM_write_X509(file, cert) == 1;
  std::fclose(file);
  Check(ok, ("writing " + path).c_str());
}

void WriteKeyPem(const std::string& path, EVP_PKEY* key) {
  FILE* file = std::fopen(path.c_str(), "wb");
  Check(file != nullptr, ("opening " + path).c_str());
  const bool ok = PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  std::fclose(file);
  Check(ok, ("writing " + path).c_str());
}

void WritePkcs12(const std::string& path, const std::string& password, EVP_PKEY* key, X509* cert,
                 X509* ca) {
  STACK_OF(X509)* chain = sk_X509_new_null();
  sk_X509_push(chain, ca);
  PKCS12* p12 = PKCS12_create(password.c_str(), "a1", key, cert, chain, 0, 0, 0, 0, 0);
  sk_X509_free(chain);
  Check(p12 != nullptr, "PKCS#12 packing");
  FILE* file = std::fopen(path.c_str(), "wb");
  const bool ok = file != nullptr && i2d_PKCS12_fp(file, p12) == 1;
  if (file != nullptr) std::fclose(file);
  PKCS12_free(p12);
  Check(ok, ("writing " + path).c_str());
}

}  // namespace

TestServerCertificate MakeTestServerCertificate(const std::string& folder,
                                                const std::string& name) {
  Key ca_key = NewKey();
  Cert ca = NewCert(ca_key.get(), "AUTORIDADE DE TESTE DO SERVIDOR", 1, nullptr, nullptr);
  Key key = NewKey();
  Cert cert(X509_new());
  Check(cert != nullptr, "certificate allocation");
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 3);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 365L * 24 * 3600);
  X509_NAME* subject = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(cert.get(), X509_get_subject_name(ca.get()));
  X509_set_pubkey(cert.get(), key.get());
  AddExtension(cert.get(), ca.get(), NID_basic_constraints, "critical,CA:FALSE");
  AddExtension(cert.get(), ca.get(), NID_ext_key_usage, "serverAuth");
  AddExtension(cert.get(), ca.get(), NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
  Check(X509_sign(cert.get(), ca_key.get(), EVP_sha256()) > 0, "certificate signature");
  TestServerCertificate made;
  made.cert_pem_path = folder + "/" + name + ".pem";
  made.key_pem_path = folder + "/" + name + "-key.pem";
  made.ca_pem_path = folder + "/" + name + "-ca.pem";
  WritePem(made.cert_pem_path, cert.get());
  WriteKeyPem(made.key_pem_path, key.get());
  WritePem(made.ca_pem_path, ca.get());
  return made;
}

TestCertificate MakeTestCertificate(const std::string& folder, const std::string& name,
                                    const std::string& password, const std::string& cnpj,
                                    long valid_days, long valid_from_days) {
  Key ca_key = NewKey();
  Cert ca = NewCert(ca_key.get(), "AUTORIDADE CERTIFICADORA DE TESTE", 1, nullptr, nullptr);
  Key key = NewKey();
  Cert cert = NewCert(key.get(), "RESTAURANTE DE TESTE LTDA:" + cnpj, 2, ca.get(), ca_key.get(),
                      valid_days, valid_from_days);
  TestCertificate made;
  made.pfx_path = folder + "/" + name + ".pfx";
  made.password = password;
  made.cert_pem_path = folder + "/" + name + ".pem";
  made.ca_pem_path = folder + "/" + name + "-ca.pem";
  WritePkcs12(made.pfx_path, password, key.get(), cert.get(), ca.get());
  WritePem(made.cert_pem_path, cert.get());
  WritePem(made.ca_pem_path, ca.get());
  return made;
}

}  // namespace vyrtest
