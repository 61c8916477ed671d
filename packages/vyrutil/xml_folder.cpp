#include "vyrutil/xml_folder.h"

#include "rtl/program_dir.h"

namespace VyrUtil {

std::string PastaXmlDoDia(const std::string& CDFILIAL, const std::string& CDCAIXA,
                          rtl::TDateTime dia) {
  return PastaXmlDoDia(CDFILIAL, CDCAIXA, rtl::FormatDateIso(dia));
}

std::string PastaXmlDoDia(const std::string& CDFILIAL, const std::string& CDCAIXA,
                          const std::string& dataHora) {
  return rtl::ProgramDirectory() + "/Dados/XML_NFCe_Sat/" + CDFILIAL + "-" + CDCAIXA + "-" +
         dataHora.substr(0, 10) + "/";
}

std::string CaminhoGravado(const std::string& caminho) {
  const std::string base = rtl::ProgramDirectory() + "/";
  if (base.size() > 1 && caminho.compare(0, base.size(), base) == 0) {
    return caminho.substr(base.size());
  }
  return caminho;
}

std::string CaminhoLido(const std::string& gravado) {
  if (gravado.empty() || gravado[0] == '/') return gravado;
  return rtl::ProgramDirectory() + "/" + gravado;
}

}  // namespace VyrUtil
