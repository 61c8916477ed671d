// Settle the consumer balance: a bill paid (wholly or partly) on the consumer's account is
// validated against the account's balance by the receivables package before it is recorded.

#include <exception>

#include "closing/closing_context.h"
#include "datamodule/error_boundary.h"
#include "db/statement_kit.h"
#include "external/receivables.h"
#include "worker/log_imp_exp_kds.h"
#include "worker/worker_control.h"

namespace Cli_Qam00417::closing {

namespace {

const char* const kSufixoSaldo = " - Qam00417 - setValidaSaldoCons";
const char* const kRecebimentoContaConsumidor = "9";

void EmptyIfFilled(TClientDataSet& table) {
  if (table.Active() && !table.IsEmpty()) table.EmptyDataSet();
}

// Raises when the package refuses or fails the validation.
void ValidateBalance(TrdmImpExpKds& dm, const ContaEmFechamento& conta) {
  if (!dm.cdsMovCaixa.Locate("IDTIPORECE", Variant(kRecebimentoContaConsumidor))) return;
  if (dm.idExtConsOnline != "S") {
    dm.cdsMinDtMovExtCons.SetData(getMinDtMovExtCons(dm.cdClienteVenda, dm.cdConsumidorVenda));
    dm.cdsMinDtMovExtCons.First();
    EvoluiSaldo(dm.cdClienteVenda, dm.cdConsumidorVenda, conta.CDFILIAL,
                dm.cdsMinDtMovExtCons.FieldByName("DTMOVEXTCONS").AsDateTime());
  }
  if (!dm.cdsFamSaldo.Active()) dm.cdsFamSaldo.CreateDataSet();
  dm.cdsVendas.First();
  dm.cdsFamSaldo.Append();
  dm.cdsFamSaldo.FieldByName("CDFAMILISALD")
      .SetValue(dm.cdsVendas.FieldByName("CDFAMILISALD").Value());
  // The whole amount paid, not only the part on the consumer's account.
  dm.cdsFamSaldo.FieldByName("VRSALDCONFAM").SetAsFloat(conta.vrTotalPago);
  dm.cdsFamSaldo.Post();
  dm.cdsEmprestimoFam.SetData(setValidaSaldoCons(
      conta.CDFILIAL, conta.CDCAIXA, dm.cdClienteVenda, dm.cdConsumidorVenda, dm.idExtConsOnline,
      dm.cdUrlWsExtCons, dm.idExtConsCentral, dm.cdsFamSaldo.Data(), dm.dtAberturaCaixa));
}

}  // namespace

bool SettleConsumerBalance(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  // Open and empty on every closing, so the fiscal closing always receives the table.
  if (!dm.cdsFamSaldo.Active()) dm.cdsFamSaldo.CreateDataSet();
  EmptyIfFilled(dm.cdsFamSaldo);
  EmptyIfFilled(dm.cdsEmprestimoFam);
  try {
    ValidateBalance(dm, conta);
    return true;
  } catch (...) {
    LogImpExpKDS(OwnMessage(std::current_exception()) + kSufixoSaldo);
  }
  TakeOffQueue(dm, conta);
  return false;
}

void TakeOffQueue(TrdmImpExpKds& dm, const ContaEmFechamento& conta) {
  Execute(dm.acmUpdCupExp, {{"P_CDFILIAL", conta.CDFILIAL},
                            {"P_NRVENDAREST", conta.NRVENDAREST},
                            {"P_NRCOMANDA", conta.NRCOMANDA}});
  LogImpExpKDS("Execute do acmUpdCupExp");
  WorkerControl::Instance().NoteChange();
}

}  // namespace Cli_Qam00417::closing
