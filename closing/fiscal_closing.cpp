// The fiscal closing: the fiscal package records the sale from twelve tables and forty-eight
// values, each at a fixed position.

#include "closing/closing_context.h"
#include "external/fiscal_device.h"

namespace Cli_Qam00417::closing {

namespace {

Variant Texto(const std::string& text) {
  return Variant(text);
}

Variant Vazio() {
  return Variant(std::string());
}

}  // namespace

std::vector<rtl::TClientDataSet*> ClosingTables(TrdmImpExpKds& dm) {
  return {&dm.cdsVendas,        &dm.cdsMovCaixa,     &dm.cdsItComandasCanc, &dm.cdsFamSaldo,
          &dm.cdsEmprestimoFam, &dm.cdsItComandaEst, &dm.cdsVazio,          &dm.cdsVazio,
          &dm.cdsObsItens,      &dm.cdsObsItensEst,  &dm.cdsVazio,          &dm.cdsVazio};
}

// The order's columns come from its row in cdsPedidos, the current row since it was located;
// the bill's number, description and restaurant sale from the first sale row.
Variant ClosingParameters(TrdmImpExpKds& dm, const ContaEmFechamento& conta) {
  const TClientDataSet& pedido = dm.cdsPedidos;
  const auto doPedido = [&](const char* column) {
    return Texto(pedido.FieldByName(column).AsString());
  };
  dm.cdsVendas.First();
  const auto daVenda = [&](const char* column) {
    return Texto(dm.cdsVendas.FieldByName(column).AsString());
  };
  return Variant(std::vector<Variant>{
      Texto(conta.CDCAIXA),                       // 0
      Variant::FromDateTime(dm.dtAberturaCaixa),  // 1
      Texto(dm.cdEmpresa),                        // 2
      Vazio(),                                    // 3
      Vazio(),                                    // 4
      Texto(conta.CDFILIAL),                      // 5
      daVenda("NRCOMANDA"),                       // 6
      daVenda("DSCOMANDA"),                       // 7
      Texto(conta.CDLOJA),                        // 8
      Vazio(),                                    // 9
      daVenda("NRVENDAREST"),                     // 10
      Texto("DLV"),                               // 11
      Texto(conta.nrNfce),                        // 12
      Texto(dm.idPaisIntegra),                    // 13
      Vazio(),                                    // 14
      Vazio(),                                    // 15
      Variant(0),                                 // 16
      Vazio(),                                    // 17
      Vazio(),                                    // 18
      Vazio(),                                    // 19
      Variant::FromDateTime(dm.dtMovimento),      // 20
      doPedido("CDMUNICIPIO"),                    // 21
      doPedido("CDPAIS"),                         // 22
      doPedido("SGESTADO"),                       // 23
      doPedido("CDBAIRRO"),                       // 24
      doPedido("DSENDECONSCOMAN"),                // 25
      doPedido("DSCOMPLENDCOCOM"),                // 26
      doPedido("NRCEPCONSCOMAND"),                // 27
      doPedido("DSREFENDCONSCOM"),                // 28
      Vazio(),                                    // 29
      Vazio(),                                    // 30
      Vazio(),                                    // 31
      Texto(conta.idOrigemVenda),                 // 32
      Vazio(),                                    // 33
      Texto(conta.dtEmissNfce),                   // 34
      Texto(dm.idAmbTrabNfce),                    // 35
      Texto(conta.nrSerieNfce),                   // 36
      Vazio(),                                    // 37
      Vazio(),                                    // 38
      Texto(dm.idTipoEmissao),                    // 39
      Vazio(),                                    // 40
      Variant(conta.vrTotalTrib),                 // 41
      doPedido("DSBAIRRO"),                       // 42
      Variant(true),                              // 43
      Vazio(),                                    // 44
      Vazio(),                                    // 45
      Vazio(),                                    // 46
      doPedido("IDRETBALLOJA"),                   // 47
  });
}

void CallFiscalClosing(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  const Variant parametros = ClosingParameters(dm, conta);
  conta.dsRetornoFechamento =
      SetConcluiFechamento(ClosingTables(dm), parametros, conta.retornoFiscal).AsString();
}

}  // namespace Cli_Qam00417::closing
