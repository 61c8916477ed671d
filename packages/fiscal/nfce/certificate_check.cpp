#include "fiscal/nfce/certificate_check.h"

#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <ctime>
#include <memory>

#include "db/connection.h"
#include "fiscal/fiscal_routines.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/nfce/note_store.h"
#include "fiscal/register_fault.h"
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

rtl::TDateTime Momento(const ASN1_TIME* quando, bool& lido) {
  std::tm tm{};
  lido = lido && ASN1_TIME_to_tm(quando, &tm) == 1;
  return lido ? rtl::EncodeDateTime({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                     tm.tm_min, tm.tm_sec, 0})
              : 0;
}

}  // namespace

ValidadeCertificado ValidadeDoCertificado(const std::string& arquivoPfx, const std::string& senha) {
  BIO* bio = BIO_new_file(arquivoPfx.c_str(), "rb");
  if (bio == nullptr) {
    throw FalhaDoCaixa("Certificate file '" + arquivoPfx +
                       "' (CAIXAFISCAL.DSARQCERTIF) cannot be read");
  }
  std::unique_ptr<PKCS12, LiberaP12> p12(d2i_PKCS12_bio(bio, nullptr));
  BIO_free(bio);
  EVP_PKEY* privada = nullptr;
  X509* certificado = nullptr;
  STACK_OF(X509)* cadeia = nullptr;
  bool lido = p12 && PKCS12_parse(p12.get(), senha.c_str(), &privada, &certificado, &cadeia) == 1;
  EVP_PKEY_free(privada);
  sk_X509_pop_free(cadeia, X509_free);
  std::unique_ptr<X509, LiberaX509> dono(certificado);
  lido = lido && certificado != nullptr;
  ValidadeCertificado validade;
  if (lido) {
    validade.inicio = Momento(X509_get0_notBefore(certificado), lido);
    validade.fim = Momento(X509_get0_notAfter(certificado), lido);
  }
  if (!lido) {
    throw FalhaDoCaixa("Certificate file '" + arquivoPfx +
                       "' is not a PKCS#12 certificate that the register's password "
                       "(CAIXAFISCAL.DSSENHACERTIF, ****) opens");
  }
  return validade;
}

rtl::TDateTime FimDaValidade(const std::string& arquivoPfx, const std::string& senha) {
  return ValidadeDoCertificado(arquivoPfx, senha).fim;
}

std::string AvisoValidade(const std::string& arquivoPfx, rtl::TDateTime fim, rtl::TDateTime agora) {
  if (agora >= fim) {
    throw FalhaDoCaixa("NFC-e: the certificate '" + arquivoPfx +
                       "' (CAIXAFISCAL.DSARQCERTIF) expired on " + Dia(fim) +
                       ": the register cannot sign its notes");
  }
  if (fim - agora > kDiasAvisoCertificado) return "";
  return "NFC-e: o certificado '" + arquivoPfx + "' vence em " + Dia(fim);
}

std::string AvisoValidade(const std::string& arquivoPfx, const ValidadeCertificado& validade,
                          rtl::TDateTime agora) {
  if (agora < validade.inicio) {
    throw FalhaDoCaixa("NFC-e: the certificate '" + arquivoPfx +
                       "' (CAIXAFISCAL.DSARQCERTIF) is valid only from " + Dia(validade.inicio) +
                       ": the register cannot sign its notes");
  }
  return AvisoValidade(arquivoPfx, validade.fim, agora);
}

}  // namespace VyrFiscal::Nfce

namespace VyrFiscal::Rotinas {

std::string VerificaCertificadoNFCe(const std::string& CDFILIAL, const std::string& CDCAIXA) {
  const Nfce::ConfiguracaoNfce configuracao =
      Nfce::LeConfiguracaoNfce(ConexaoFiscal(), CDFILIAL, CDCAIXA);
  return Nfce::AvisoValidade(
      configuracao.arquivoCertificado,
      Nfce::ValidadeDoCertificado(configuracao.arquivoCertificado, configuracao.senhaCertificado),
      rtl::Now());
}

}  // namespace VyrFiscal::Rotinas
