#include "fiscal/sale/tax_situation.h"

#include <set>

namespace VyrFiscal {

bool RegimeDeCsosn(const std::string& CRT) {
  return CRT == "1" || CRT == "4";
}

bool SituacaoIcmsDeclaravel(const std::string& CRT, const std::string& situacao) {
  static const std::set<std::string> kCsosn = {"102", "300", "400", "500"};
  static const std::set<std::string> kCst = {"00", "40", "41", "60"};
  return (RegimeDeCsosn(CRT) ? kCsosn : kCst).count(situacao) > 0;
}

bool SituacaoPisDeclaravel(const std::string& situacao) {
  static const std::set<std::string> kSituacoes = {"01", "02", "04", "06", "07",
                                                   "08", "09", "49", "99"};
  return kSituacoes.count(situacao) > 0;
}

std::string CodigoPagamento(const std::string& CDFPIMPFIS) {
  static const std::set<std::string> kCodigos = {"01", "02", "03", "04", "05", "10", "11", "12",
                                                 "13", "15", "16", "17", "18", "19", "99"};
  std::string codigo = CDFPIMPFIS;
  while (!codigo.empty() && codigo.back() == ' ') codigo.pop_back();
  if (codigo.size() == 1) codigo = "0" + codigo;
  return kCodigos.count(codigo) ? codigo : "";
}

}  // namespace VyrFiscal
