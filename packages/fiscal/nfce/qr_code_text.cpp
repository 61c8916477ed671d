#include "fiscal/nfce/qr_code_text.h"

#include <openssl/sha.h>

#include <cstdio>

namespace VyrFiscal::Nfce {
namespace {

std::string Hex(const unsigned char* bytes, size_t tamanho, const char* formato) {
  std::string texto;
  char par[3];
  for (size_t i = 0; i < tamanho; ++i) {
    std::snprintf(par, sizeof par, formato, bytes[i]);
    texto += par;
  }
  return texto;
}

std::string SemZerosAEsquerda(const std::string& id) {
  const size_t primeiro = id.find_first_not_of('0');
  return primeiro == std::string::npos ? "0" : id.substr(primeiro);
}

std::string Endereco(const std::string& url, const std::string& parametros,
                     const std::string& CSC) {
  return url + "?p=" + parametros + "|" + HashQrCode(parametros, CSC);
}

}  // namespace

std::string HashQrCode(const std::string& parametros, const std::string& CSC) {
  const std::string texto = parametros + CSC;
  unsigned char resumo[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(texto.data()), texto.size(), resumo);
  return Hex(resumo, sizeof resumo, "%02X");
}

std::string QrCodeOnline(const DadosQrCode& dados) {
  return Endereco(dados.url,
                  dados.chave + "|2|" + dados.tpAmb + "|" + SemZerosAEsquerda(dados.idCSC),
                  dados.CSC);
}

std::string QrCodeOffline(const DadosQrCode& dados) {
  const std::string digest = Hex(reinterpret_cast<const unsigned char*>(dados.digestValue.data()),
                                 dados.digestValue.size(), "%02x");
  return Endereco(dados.url,
                  dados.chave + "|2|" + dados.tpAmb + "|" + dados.dia + "|" + dados.vNF + "|" +
                      digest + "|" + SemZerosAEsquerda(dados.idCSC),
                  dados.CSC);
}

}  // namespace VyrFiscal::Nfce
