// Check the totals: the amount paid must equal the value of the sale items, to the cent.

#include "closing/closing_context.h"
#include "vyrutil/numbers.h"
#include "worker/log_imp_exp_kds.h"

namespace Cli_Qam00417::closing {

namespace {

// One row's value is formed in extended precision; the running total stays a double.
double ItemsTotal(TClientDataSet& vendas) {
  double total = 0;
  for (vendas.First(); !vendas.Eof(); vendas.Next()) {
    const long double linha =
        static_cast<long double>(vendas.FieldByName("QTPRODCOMVEN").AsFloat()) *
            vendas.FieldByName("VRPRECCOMVEN").AsFloat() -
        vendas.FieldByName("VRDESCCOMVEN").AsFloat() + vendas.FieldByName("VRACRCOMVEN").AsFloat();
    total = static_cast<double>(total + linha);
  }
  vendas.First();
  return total;
}

}  // namespace

bool CheckTotals(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  conta.vrTotalItens = ItemsTotal(dm.cdsVendas);
  if (VyrUtil::Trunc2(conta.vrTotalPago) == VyrUtil::Trunc2(conta.vrTotalItens)) return true;
  LogImpExpKDS("Valores gravados nas tabelas ITCOMANDAVEN e MOVCAIXADLV estão divergentes.");
  TakeOffQueue(dm, conta);
  return false;
}

}  // namespace Cli_Qam00417::closing
