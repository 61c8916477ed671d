#include "hostagent/cancellation_status.h"

#include <algorithm>
#include <filesystem>

namespace hostagent {

namespace fs = std::filesystem;

namespace {

const std::string kPrefixo = "enviado-";
const std::string kSufixo = "-110111-01-envEvento.xml";
constexpr size_t kTamanhoChave = 44;

}  // namespace

const char* const kUnansweredCancellationAction =
    "rode hostagent cancel-note da venda de novo: a SEFAZ e consultada pela chave antes de "
    "qualquer novo envio";

std::string CancellationAnswerFile(const std::string& pasta, const std::string& chave) {
  return pasta + "/" + chave + "-110111-01-procEventoNFe.xml";
}

std::string UnansweredCancellationFile(const std::string& pasta, const std::string& chave) {
  return pasta + "/" + kPrefixo + chave + kSufixo;
}

std::vector<UnansweredCancellation> UnansweredCancellations(const std::string& dir,
                                                            const std::string& filial,
                                                            const std::string& caixa) {
  const std::string dias = filial + "-" + caixa + "-";
  std::vector<UnansweredCancellation> cancelamentos;
  std::error_code erro;
  for (const auto& dia : fs::directory_iterator(dir + "/Dados/XML_NFCe_Sat", erro)) {
    if (dia.path().filename().string().rfind(dias, 0) != 0) continue;
    for (const auto& arquivo : fs::directory_iterator(dia.path(), erro)) {
      const std::string nome = arquivo.path().filename().string();
      if (nome.rfind(kPrefixo, 0) == 0 &&
          nome.size() == kPrefixo.size() + kTamanhoChave + kSufixo.size() &&
          nome.compare(kPrefixo.size() + kTamanhoChave, kSufixo.size(), kSufixo) == 0) {
        cancelamentos.push_back(
            {nome.substr(kPrefixo.size(), kTamanhoChave), arquivo.path().string()});
      }
    }
  }
  std::sort(cancelamentos.begin(), cancelamentos.end(),
            [](const UnansweredCancellation& a, const UnansweredCancellation& b) {
              return a.chave < b.chave;
            });
  return cancelamentos;
}

std::string UnansweredCancellationsText(const std::vector<UnansweredCancellation>& cancelamentos) {
  if (cancelamentos.empty()) return "";
  std::string texto =
      "Cancelamentos de NFC-e enviados sem resposta: " + std::to_string(cancelamentos.size()) +
      "\n";
  for (const UnansweredCancellation& c : cancelamentos) {
    texto += "  nota " + c.chave + "\n    " + kUnansweredCancellationAction + "\n";
  }
  return texto;
}

}  // namespace hostagent
