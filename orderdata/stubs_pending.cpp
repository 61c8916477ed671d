// TEMPORARY: placeholders until the order data access lands; the orderdata helper deletes this.
#include "datamodule/rdm_imp_exp_kds.h"

namespace Cli_Qam00417 {
using U = std::u16string;
void TrdmImpExpKds::DeclareOrderLookups() {}
void TrdmImpExpKds::DeclareOrderCommands() {}
Variant TrdmImpExpKds::getPedExpKDS(const U&, const U&, const U&) { return {}; }
Variant TrdmImpExpKds::getVenda(const U&, const U&, const U&) { return {}; }
Variant TrdmImpExpKds::getPedidos(const U&, const U&) { return {}; }
Variant TrdmImpExpKds::getDadosVenda(const U&, const U&, const U&) { return {}; }
Variant TrdmImpExpKds::getItcomandaEst(const U&, const U&, const U&) { return {}; }
Variant TrdmImpExpKds::getObsItensEst(const U&, const U&) { return {}; }
Variant TrdmImpExpKds::getObsItens(const U&, const U&) { return {}; }
std::string TrdmImpExpKds::getImpCpfCupom(const std::string&, const std::string&) { return {}; }
std::string TrdmImpExpKds::getCpfCli(const std::string&) { return {}; }
std::string TrdmImpExpKds::getCpfCons(const std::string&, const std::string&) { return {}; }
Variant TrdmImpExpKds::getOrigemVenda(const std::string&, const std::string&, const std::string&) {
  return {};
}
Variant TrdmImpExpKds::setVendaComanda(const U&, const U&, const U&, const U&, const U&, const U&) {
  return {};
}
Variant TrdmImpExpKds::setApagaPedido(const U&, const U&) { return {}; }
Variant TrdmImpExpKds::setFechaVenda(const U&, const U&, const U&) { return {}; }
}  // namespace Cli_Qam00417
