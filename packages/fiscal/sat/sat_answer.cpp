#include "fiscal/sat/sat_answer.h"

#include <openssl/evp.h>

#include <cctype>

#include "rtl/errors.h"
#include "rtl/text_compare.h"

namespace VyrFiscal::Sat {
namespace {

std::vector<std::string> Divide(const std::string& resposta) {
  std::vector<std::string> campos;
  size_t inicio = 0;
  for (size_t barra; (barra = resposta.find('|', inicio)) != std::string::npos;
       inicio = barra + 1) {
    campos.push_back(resposta.substr(inicio, barra - inicio));
  }
  campos.push_back(resposta.substr(inicio));
  return campos;
}

std::string SemQuebras(std::string texto) {
  std::string limpo;
  for (char c : texto) {
    if (c != '\r' && c != '\n') limpo += c;
  }
  return limpo;
}

}  // namespace

std::string DecodificaBase64(const std::string& texto) {
  std::string limpo;
  for (char c : texto) {
    if (!std::isspace(static_cast<unsigned char>(c))) limpo += c;
  }
  if (limpo.size() % 4 != 0) throw rtl::EConvertError("SAT answer: the CF-e is not base64");
  std::string bytes(limpo.size() / 4 * 3, '\0');
  const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&bytes[0]),
                                reinterpret_cast<const unsigned char*>(limpo.data()),
                                static_cast<int>(limpo.size()));
  if (n < 0) throw rtl::EConvertError("SAT answer: the CF-e is not base64");
  // EVP_DecodeBlock counts the padding as zero bytes.
  size_t tamanho = static_cast<size_t>(n);
  for (size_t i = limpo.size(); i > 0 && limpo[i - 1] == '='; --i) --tamanho;
  bytes.resize(tamanho);
  return bytes;
}

std::vector<std::string> InterpretaResposta(const std::string& resposta) {
  const std::vector<std::string> c = Divide(resposta);
  std::vector<std::string> valores;
  const auto poe = [&valores](const char* nome, const std::string& valor) {
    valores.push_back(LinhaSat(nome, SemQuebras(valor)));
  };
  const char* const seisCampos[] = {kSatNumeroSessao, kSatEEEEE, kSatCCCC,
                                    kSatMensagem,     kSatCod,   kSatMensagemSefaz};
  if (c.size() == 12) {
    for (int i = 0; i < 6; ++i) poe(seisCampos[i], c[i]);
    poe(kSatTimeStamp, c[7]);
    poe(kSatChaveConsulta, c[8].compare(0, 3, "CFe") == 0 ? c[8].substr(3) : c[8]);
    poe(kSatValorTotalCFe, c[9]);
    poe(kSatCPFCNPJValue, c[10]);
    poe(kSatAssinaturaQRCODE, c[11]);
    // A CF-e field that is not base64 leaves the XML empty: the CF-e was issued all the same,
    // and its key and values must still be kept.
    poe(kSatArqXml, XmlDaResposta(resposta));
  } else if (c.size() == 6) {
    for (int i = 0; i < 6; ++i) poe(seisCampos[i], c[i]);
  } else if (c.size() == 5) {
    const char* const nomes[] = {kSatNumeroSessao, kSatEEEEE, kSatMensagem, kSatCod,
                                 kSatMensagemSefaz};
    for (int i = 0; i < 5; ++i) poe(nomes[i], c[i]);
  } else {
    poe(kSatMensagem, "Resposta do SAT fora do padrao: " + resposta);
  }
  return valores;
}

bool Emitido(const std::vector<std::string>& valores) {
  return ValorSat(valores, kSatEEEEE) == "06000";
}

std::string XmlDaResposta(const std::string& resposta) {
  const std::vector<std::string> campos = Divide(resposta);
  if (campos.size() != 12) return "";
  try {
    return DecodificaBase64(campos[6]);
  } catch (const rtl::EConvertError&) {
    return "";
  }
}

}  // namespace VyrFiscal::Sat
