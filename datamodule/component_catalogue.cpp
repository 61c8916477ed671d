// The form's statements by component name, in the form's order.

#include "datamodule/rdm_imp_exp_kds.h"

namespace Cli_Qam00417 {

#define VYR_STATEMENT(component) NamedStatement(#component, &component.SQL())

std::vector<TrdmImpExpKds::NamedStatement> TrdmImpExpKds::Statements() const {
  return {
      VYR_STATEMENT(adqParametros),      VYR_STATEMENT(adqPedExpKDS),
      VYR_STATEMENT(adqVenda),           VYR_STATEMENT(adqPedidos),
      VYR_STATEMENT(adqMovCaixaDlv),     VYR_STATEMENT(adqItComandaEst),
      VYR_STATEMENT(adqObsItensEst),     VYR_STATEMENT(adqObsItens),
      VYR_STATEMENT(adqImpCpfCupom),     VYR_STATEMENT(adqCpfCli),
      VYR_STATEMENT(adqCpfCons),         VYR_STATEMENT(adqOrigemVenda),
      VYR_STATEMENT(acmUpdStatComand),   VYR_STATEMENT(adqVerifComanda),
      VYR_STATEMENT(acmDelMovDlv),       VYR_STATEMENT(acmDelItComandaEst),
      VYR_STATEMENT(acmDelItComandaVen), VYR_STATEMENT(acmDelComandaVen),
      VYR_STATEMENT(acmDelVendaRest),    VYR_STATEMENT(acmDelMovCaixaDlv),
      VYR_STATEMENT(acmDelItComanda),    VYR_STATEMENT(acmDelComanda),
      VYR_STATEMENT(acmUpdCupExp),       VYR_STATEMENT(adqParaVend),
      VYR_STATEMENT(adqOperAber),        VYR_STATEMENT(acmInsVenda),
      VYR_STATEMENT(acmInsItVendaCan),   VYR_STATEMENT(acmInsItemVenda),
      VYR_STATEMENT(adqPrSubGrProd),     VYR_STATEMENT(adqAliqImpFis),
      VYR_STATEMENT(acmInsItVendaImpos),
  };
}

#undef VYR_STATEMENT

}  // namespace Cli_Qam00417
