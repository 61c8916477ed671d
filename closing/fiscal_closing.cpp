// The fiscal closing: the fiscal package records the sale from the closing lists, which the
// contract packs; this step only says where each value comes from.

#include "closing/closing_context.h"
#include "external/fiscal_device.h"

namespace Cli_Qam00417::closing {

std::vector<rtl::TClientDataSet*> ClosingTables(TrdmImpExpKds& dm) {
  TabelasFechamento tabelas;
  tabelas.vendas = &dm.cdsVendas;
  tabelas.movimentos = &dm.cdsMovCaixa;
  tabelas.cancelados = &dm.cdsItComandasCanc;
  tabelas.famSaldo = &dm.cdsFamSaldo;
  tabelas.emprestimoFam = &dm.cdsEmprestimoFam;
  tabelas.itensEst = &dm.cdsItComandaEst;
  tabelas.obsItens = &dm.cdsObsItens;
  tabelas.obsItensEst = &dm.cdsObsItensEst;
  tabelas.vazio = &dm.cdsVazio;
  return EmpacotaTabelas(tabelas);
}

// The order's columns come from its row in cdsPedidos, the current row since it was located;
// the bill's number, description and restaurant sale from the first sale row.
Variant ClosingParameters(TrdmImpExpKds& dm, const ContaEmFechamento& conta) {
  const auto doPedido = [&](const char* column) {
    return dm.cdsPedidos.FieldByName(column).AsString();
  };
  dm.cdsVendas.First();
  const auto daVenda = [&](const char* column) {
    return dm.cdsVendas.FieldByName(column).AsString();
  };
  ValoresFechamento v;
  v.CDCAIXA = conta.CDCAIXA;
  v.dtAberturaCaixa = dm.dtAberturaCaixa;
  v.CDEMPRESA = dm.cdEmpresa;
  v.CDFILIAL = conta.CDFILIAL;
  v.NRCOMANDA = daVenda("NRCOMANDA");
  v.DSCOMANDA = daVenda("DSCOMANDA");
  v.CDLOJA = conta.CDLOJA;
  v.NRVENDAREST = daVenda("NRVENDAREST");
  v.nrNfce = conta.nrNfce;
  v.idPaisIntegra = dm.idPaisIntegra;
  v.dtMovimento = dm.dtMovimento;
  v.CDMUNICIPIO = doPedido("CDMUNICIPIO");
  v.CDPAIS = doPedido("CDPAIS");
  v.SGESTADO = doPedido("SGESTADO");
  v.CDBAIRRO = doPedido("CDBAIRRO");
  v.DSENDECONSCOMAN = doPedido("DSENDECONSCOMAN");
  v.DSCOMPLENDCOCOM = doPedido("DSCOMPLENDCOCOM");
  v.NRCEPCONSCOMAND = doPedido("NRCEPCONSCOMAND");
  v.DSREFENDCONSCOM = doPedido("DSREFENDCONSCOM");
  v.idOrigemVenda = conta.idOrigemVenda;
  v.dtEmissNfce = conta.dtEmissNfce;
  v.idAmbTrabNfce = dm.idAmbTrabNfce;
  v.nrSerieNfce = conta.nrSerieNfce;
  v.idTipoEmissao = dm.idTipoEmissao;
  v.vrTotalTrib = conta.vrTotalTrib;
  v.DSBAIRRO = doPedido("DSBAIRRO");
  v.IDRETBALLOJA = doPedido("IDRETBALLOJA");
  return EmpacotaValores(v);
}

void CallFiscalClosing(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  const Variant parametros = ClosingParameters(dm, conta);
  conta.dsRetornoFechamento =
      SetConcluiFechamento(ClosingTables(dm), parametros, conta.retornoFiscal).AsString();
}

}  // namespace Cli_Qam00417::closing
