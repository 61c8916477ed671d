#include "fiscal/nfce/technical_contact.h"

#include <openssl/evp.h>
#include <openssl/sha.h>

#include <fstream>
#include <map>

#include "rtl/errors.h"
#include "rtl/program_dir.h"
#include "vyrutil/strings.h"

namespace VyrFiscal::Nfce {
namespace {

std::map<std::string, std::string> LeArquivo(std::ifstream& entrada) {
  std::map<std::string, std::string> valores;
  std::string linha;
  while (std::getline(entrada, linha)) {
    if (!linha.empty() && linha.back() == '\r') linha.pop_back();
    const size_t igual = linha.find('=');
    if (igual != std::string::npos) valores[linha.substr(0, igual)] = linha.substr(igual + 1);
  }
  return valores;
}

}  // namespace

std::string ArquivoRespTecnico() {
  return rtl::ProgramDirectory() + "/Dados/RespTecnico.ini";
}

std::string HashCsrt(const std::string& CSRT, const std::string& chave) {
  const std::string texto = CSRT + chave;
  unsigned char resumo[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(texto.data()), texto.size(), resumo);
  unsigned char base64[4 * ((SHA_DIGEST_LENGTH + 2) / 3) + 1];
  const int tamanho = EVP_EncodeBlock(base64, resumo, SHA_DIGEST_LENGTH);
  return std::string(reinterpret_cast<const char*>(base64), static_cast<size_t>(tamanho));
}

void AnexaInfRespTec(pugi::xml_node infNFe, const std::string& chave) {
  const std::string arquivo = ArquivoRespTecnico();
  std::ifstream entrada(arquivo, std::ios::binary);
  if (!entrada) return;
  std::map<std::string, std::string> valores = LeArquivo(entrada);
  const auto exige = [&](const char* nome, size_t minimo, size_t maximo, bool digitos) {
    std::string valor = valores[nome];
    if (digitos) valor = VyrUtil::SoDigitos(valor);
    if (valor.size() < minimo || valor.size() > maximo) {
      throw rtl::EConvertError("NFC-e technical contact: " + std::string(nome) + " in '" + arquivo +
                               "' must have " + std::to_string(minimo) + " to " +
                               std::to_string(maximo) + (digitos ? " digits" : " characters") +
                               ": '" + valores[nome] + "'");
    }
    return valor;
  };
  pugi::xml_node resp = infNFe.append_child("infRespTec");
  resp.append_child("CNPJ").text() = exige("CNPJ", 14, 14, true).c_str();
  resp.append_child("xContato").text() = exige("xContato", 2, 60, false).c_str();
  resp.append_child("email").text() = exige("email", 6, 60, false).c_str();
  resp.append_child("fone").text() = exige("fone", 6, 14, true).c_str();
  const std::string CSRT = valores["CSRT"];
  if (CSRT.empty()) return;
  const std::string idCSRT = VyrUtil::SoDigitos(valores["idCSRT"]);
  if (idCSRT.empty() || idCSRT.size() > 2) {
    throw rtl::EConvertError("NFC-e technical contact: idCSRT in '" + arquivo +
                             "' must have 1 or 2 digits when a CSRT (****) is set");
  }
  resp.append_child("idCSRT").text() = (idCSRT.size() == 1 ? "0" + idCSRT : idCSRT).c_str();
  resp.append_child("hashCSRT").text() = HashCsrt(CSRT, chave).c_str();
}

}  // namespace VyrFiscal::Nfce
