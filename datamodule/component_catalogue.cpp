// The form's statements by component name, in the form's order.

#include "datamodule/rdm_imp_exp_kds.h"

namespace Cli_Qam00417 {

// Every query and command of the form, once.
// clang-format off
#define VYR_FORM_STATEMENTS(X)                                                        \
  X(adqParametros)                                                                    \
  X(adqPedExpKDS) X(adqVenda) X(adqPedidos) X(adqMovCaixaDlv) X(adqItComandaEst)      \
  X(adqObsItensEst) X(adqObsItens) X(adqImpCpfCupom) X(adqCpfCli) X(adqCpfCons)       \
  X(adqOrigemVenda) X(acmUpdStatComand) X(adqVerifComanda) X(acmDelMovDlv)            \
  X(acmDelItComandaEst) X(acmDelItComandaVen) X(acmDelComandaVen) X(acmDelVendaRest)  \
  X(acmDelMovCaixaDlv) X(acmDelItComanda) X(acmDelComanda) X(acmUpdCupExp)            \
  X(adqParaVend) X(adqOperAber) X(acmInsVenda) X(acmInsItVendaCan) X(acmInsItemVenda) \
  X(adqPrSubGrProd) X(adqAliqImpFis) X(acmInsItVendaImpos)
// clang-format on

std::vector<TrdmImpExpKds::NamedStatement> TrdmImpExpKds::Statements() const {
#define VYR_STATEMENT(component) NamedStatement(#component, &component.SQL()),
  return {VYR_FORM_STATEMENTS(VYR_STATEMENT)};
#undef VYR_STATEMENT
}

void TrdmImpExpKds::NameComponents() {
#define VYR_NAME(component) component.Name = #component;
  VYR_FORM_STATEMENTS(VYR_NAME)
#undef VYR_NAME
}

#undef VYR_FORM_STATEMENTS

}  // namespace Cli_Qam00417
