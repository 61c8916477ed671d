#include "fiscal/nfce/certificate_check.h"

#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <ctime>
#include <memory>

#include "db/connection.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/nfce/note_store.h"
#include "rtl/errors.h"

namespace VyrFiscal::Nfce {
namespace {

struct LiberaP12 {
  void operator()(PKCS12* p12) const { PKCS12_free(p12); }
};
struct LiberaX509 {
  void operator()(X509* x509) const { X509_free(x509); }
};

std::string Dia(rtl::TDateTime quando) {
  return rtl::FormatDateIso(quando).substr(0, 10);
}

}  // namespace

rtl::TDateTime FimDaValidade(const std::string& arquivoPfx, const std::string& senha) {
  BIO* bio = BIO_new_file(arquivoPfx.c_str(), "rb");
  if (bio == nullptr) {
    throw rtl::EInOutError("Certificate file '" + arquivoPfx +
                           "' (CAIXAFISCAL.DSARQCERTIF) cannot be read");
  }
  std::unique_ptr<PKCS12, LiberaP12> p12(d2i_PKCS12_bio(bio, nullptr));
  BIO_free(bio);
  EVP_PKEY* privada = nullptr;
  X509* certificado = nullptr;
  STACK_OF(X509)* cadeia = nullptr;
  const bool aberto =
      p12 && PKCS12_parse(p12.get(), senha.c_str(), &privada, &certificado, &cadeia) == 1;
  EVP_PKEY_free(privada);
  sk_X509_pop_free(cadeia, X509_free);
  std::unique_ptr<X509, LiberaX509> dono(certificado);
  std::tm fim{};
  if (!aberto || certificado == nullptr ||
      ASN1_TIME_to_tm(X509_get0_notAfter(certificado), &fim) != 1) {
    throw rtl::EInOutError("Certificate file '" + arquivoPfx +
                           "' is not a PKCS#12 certificate that the register's password "
                           "(CAIXAFISCAL.DSSENHACERTIF, ****) opens");
  }
  return rtl::EncodeDateTime(
      {fim.tm_year + 1900, fim.tm_mon + 1, fim.tm_mday, fim.tm_hour, fim.tm_min, fim.tm_sec, 0});
}

std::string AvisoValidade(const std::string& arquivoPfx, rtl::TDateTime fim, rtl::TDateTime agora) {
  if (agora >= fim) {
    throw rtl::Exception("NFC-e: the certificate '" + arquivoPfx +
                         "' (CAIXAFISCAL.DSARQCERTIF) expired on " + Dia(fim) +
                         ": the register cannot sign its notes");
  }
  if (fim - agora > kDiasAvisoCertificado) return "";
  return "NFC-e: o certificado '" + arquivoPfx + "' vence em " + Dia(fim);
}

}  // namespace VyrFiscal::Nfce

namespace VyrFiscal::Rotinas {

std::string VerificaCertificadoNFCe(const std::string& CDFILIAL, const std::string& CDCAIXA) {
  const Nfce::ConfiguracaoNfce configuracao =
      Nfce::LeConfiguracaoNfce(ConexaoFiscal(), CDFILIAL, CDCAIXA);
  return Nfce::AvisoValidade(
      configuracao.arquivoCertificado,
      Nfce::FimDaValidade(configuracao.arquivoCertificado, configuracao.senhaCertificado),
      rtl::Now());
}

}  // namespace VyrFiscal::Rotinas
