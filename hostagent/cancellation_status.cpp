#include "hostagent/cancellation_status.h"

#include <algorithm>
#include <filesystem>
#include <vector>

namespace hostagent {

namespace fs = std::filesystem;

std::string UnansweredCancellationsText(const std::string& dir, const std::string& filial,
                                        const std::string& caixa) {
  // The lot kept while its answer is awaited: "enviado-<key>-110111-01-envEvento.xml".
  const std::string prefixo = "enviado-";
  const std::string sufixo = "-110111-01-envEvento.xml";
  const std::string dias = filial + "-" + caixa + "-";
  std::vector<std::string> chaves;
  std::error_code erro;
  for (const auto& dia : fs::directory_iterator(dir + "/Dados/XML_NFCe_Sat", erro)) {
    if (dia.path().filename().string().rfind(dias, 0) != 0) continue;
    for (const auto& arquivo : fs::directory_iterator(dia.path(), erro)) {
      const std::string nome = arquivo.path().filename().string();
      if (nome.rfind(prefixo, 0) == 0 && nome.size() == prefixo.size() + 44 + sufixo.size() &&
          nome.compare(prefixo.size() + 44, sufixo.size(), sufixo) == 0) {
        chaves.push_back(nome.substr(prefixo.size(), 44));
      }
    }
  }
  if (chaves.empty()) return "";
  std::sort(chaves.begin(), chaves.end());
  std::string texto =
      "Cancelamentos de NFC-e enviados sem resposta: " + std::to_string(chaves.size()) + "\n";
  for (const std::string& chave : chaves) {
    texto += "  nota " + chave +
             "\n    rode hostagent cancel-note da venda de novo: a SEFAZ e consultada pela chave "
             "antes de qualquer novo envio\n";
  }
  return texto;
}

}  // namespace hostagent
