#include "hostagent/certificate_holder.h"

#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "vyrutil/local_time.h"

namespace hostagent {

std::string CnpjDoCertificado(const std::string& arquivo, const std::string& senha) {
  std::ifstream entrada(arquivo, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(entrada), {}};
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::unique_ptr<PKCS12, decltype(&PKCS12_free)> pkcs12(
      d2i_PKCS12(nullptr, &p, static_cast<long>(bytes.size())), PKCS12_free);
  EVP_PKEY* chave = nullptr;
  X509* certificado = nullptr;
  STACK_OF(X509)* cadeia = nullptr;
  if (!pkcs12 || !PKCS12_parse(pkcs12.get(), senha.c_str(), &chave, &certificado, &cadeia)) {
    return "";
  }
  char nome[256] = {};
  if (certificado != nullptr) {
    X509_NAME_get_text_by_NID(X509_get_subject_name(certificado), NID_commonName, nome,
                              sizeof nome);
  }
  EVP_PKEY_free(chave);
  X509_free(certificado);
  sk_X509_pop_free(cadeia, X509_free);
  const std::string comum = nome;
  const size_t doisPontos = comum.rfind(':');
  return doisPontos == std::string::npos ? "" : comum.substr(doisPontos + 1);
}

rtl::TDateTime AgoraUtc(rtl::TDateTime agora) {
  std::string texto = VyrUtil::DataHoraComFuso(agora, "UTC");
  texto[10] = ' ';
  return rtl::ParseSqlDateTime(texto.substr(0, 19));
}

}  // namespace hostagent
