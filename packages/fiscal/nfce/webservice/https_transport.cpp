#include "fiscal/nfce/webservice/https_transport.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace VyrFiscal::Nfce {
namespace {

struct LiberaCurl {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct LiberaLista {
  void operator()(curl_slist* lista) const { curl_slist_free_all(lista); }
};

size_t Acumula(char* dados, size_t tamanho, size_t quantos, void* destino) {
  static_cast<std::string*>(destino)->append(dados, tamanho * quantos);
  return tamanho * quantos;
}

void IniciaCurl() {
  static std::once_flag uma_vez;
  std::call_once(uma_vez, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

RespostaTransporte Resposta(RespostaTransporte::Estado estado, const std::string& detalhe,
                            const std::string& xml = "") {
  RespostaTransporte resposta;
  resposta.estado = estado;
  resposta.detalhe = detalhe;
  resposta.xml = xml;
  return resposta;
}

}  // namespace

RespostaTransporte PostHttps(const std::string& url, const std::string& tipoConteudo,
                             const std::string& corpo, const ParametrosTls& tls) {
  IniciaCurl();
  std::unique_ptr<CURL, LiberaCurl> curl(curl_easy_init());
  if (!curl) {
    return Resposta(RespostaTransporte::Estado::SemConexao, "NFC-e: libcurl cannot start");
  }
  std::unique_ptr<curl_slist, LiberaLista> cabecalhos(
      curl_slist_append(nullptr, ("Content-Type: " + tipoConteudo).c_str()));
  std::string corpoResposta;
  char erro[CURL_ERROR_SIZE] = {};
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https");
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_POST, 1L);
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, corpo.data());
  curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(corpo.size()));
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, cabecalhos.get());
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Acumula);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &corpoResposta);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, erro);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, tls.segundosConexao);
  curl_easy_setopt(c, CURLOPT_TIMEOUT, tls.segundosTotal);
  // TLS 1.2 as the authorities serve it; under 1.3 a refused client certificate would show only
  // after the request went out, and the call would look sent when nothing reached the service.
  curl_easy_setopt(c, CURLOPT_SSLVERSION,
                   static_cast<long>(CURL_SSLVERSION_TLSv1_2 | CURL_SSLVERSION_MAX_TLSv1_2));
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!tls.arquivoCadeiaCa.empty())
    curl_easy_setopt(c, CURLOPT_CAINFO, tls.arquivoCadeiaCa.c_str());
  if (!tls.arquivoCertificado.empty()) {
    curl_easy_setopt(c, CURLOPT_SSLCERT, tls.arquivoCertificado.c_str());
    curl_easy_setopt(c, CURLOPT_SSLCERTTYPE, "P12");
    curl_easy_setopt(c, CURLOPT_KEYPASSWD, tls.senhaCertificado.c_str());
  }

  const CURLcode codigo = curl_easy_perform(c);
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  long enviado = 0;
  curl_easy_getinfo(c, CURLINFO_REQUEST_SIZE, &enviado);
  const std::string causa = erro[0] != '\0' ? erro : curl_easy_strerror(codigo);
  if (codigo == CURLE_OK && status == 200) {
    return Resposta(RespostaTransporte::Estado::Respondeu, "", corpoResposta);
  }
  if (codigo == CURLE_OK) {
    // The server took the request and refused to answer it normally: it may still have
    // recorded it, so the outcome is settled by a query, never by sending again blindly.
    return Resposta(RespostaTransporte::Estado::TempoEsgotado,
                    "NFC-e authoriser " + url + " answered HTTP " + std::to_string(status) + ": " +
                        corpoResposta.substr(0, 200));
  }
  if (codigo == CURLE_SSL_CERTPROBLEM) {
    return Resposta(RespostaTransporte::Estado::SemConexao,
                    "NFC-e: the certificate '" + tls.arquivoCertificado +
                        "' (CAIXAFISCAL.DSARQCERTIF, password ****) cannot be used: " + causa);
  }
  // Only bytes that left the register can have reached the authoriser.
  const auto estado = enviado > 0 ? RespostaTransporte::Estado::TempoEsgotado
                                  : RespostaTransporte::Estado::SemConexao;
  return Resposta(estado, "NFC-e authoriser " + url + ": " + causa);
}

}  // namespace VyrFiscal::Nfce
