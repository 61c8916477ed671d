#include "vyrutil/xml_folder.h"

#include "rtl/program_dir.h"

namespace VyrUtil {

std::string PastaXmlDoDia(const std::string& CDFILIAL, const std::string& CDCAIXA,
                          rtl::TDateTime dia) {
  return rtl::ProgramDirectory() + "/Dados/XML_NFCe_Sat/" + CDFILIAL + "-" + CDCAIXA + "-" +
         rtl::FormatDateIso(dia) + "/";
}

}  // namespace VyrUtil
