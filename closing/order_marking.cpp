// The last steps of a closing: marking the order once its sale is recorded, or recording the
// refused sale as cancelled and holding the order back before its next attempt.

#include "closing/closing_context.h"
#include "datamodule/transaction_scope.h"
#include "orderdata/order_claim_release.h"
#include "rtl/text_codec.h"
#include "worker/log_imp_exp_kds.h"

namespace Cli_Qam00417::closing {

namespace {

std::u16string W(const std::string& text) {
  return rtl::Utf8ToWide(text);
}

}  // namespace

// The register's claim on the order goes with the mark, in its transaction: a stop between the
// two would leave a claim on an order that no longer waits.
void MarkOrder(TrdmImpExpKds& dm, const ContaEmFechamento& conta) {
  const std::string status = conta.idRetBalLoja == "S" ? "X" : "P";
  LogImpExpKDS("Chama funcao setVendaComanda: " + status);
  TransactionScope transacao(dm);
  const Variant resultado =
      dm.setVendaComanda(W(conta.CDFILIAL), W(conta.CDLOJA), W(conta.NRCOMANDA),
                         W(conta.NRVENDAREST), W(conta.DSCOMANDA), W(status));
  if (!resultado.IsEmpty()) return;
  LiberaComanda(dm.adcImpExpKds, {conta.CDFILIAL, conta.NRVENDAREST, conta.NRCOMANDA},
                conta.CDCAIXA);
  transacao.Commit();
  dm.reservaDevolvida = true;
}

// The order stays pending. Retrying it on every pass would burn a second of every pass while
// the reason lasts (a product without NCM), so it waits longer after each refusal.
void RecordCancelledSale(TrdmImpExpKds& dm, const ContaEmFechamento& conta) {
  LogImpExpKDS("Ocorreu um erro durante a gravação da venda: " + conta.dsRetornoFechamento + ".");
  const std::string key = RetryDelays::Key(conta.CDFILIAL, conta.NRVENDAREST, conta.NRCOMANDA);
  const int espera = dm.retryDelays.NoteRefusal(key);
  // A design choice: the cancelled sale records a refusal, not an attempt. The order's first
  // refusal is recorded, and a later one only when its reason differs; a retry for the same
  // reason leaves its line in the log and nothing in the sales tables, which would otherwise
  // gain a cancelled sale at every retry for as long as the order is left as it is.
  if (!dm.refusalNotices.Note(key, conta.dsRetornoFechamento)) {
    LogImpExpKDS("Venda cancelada não gravada de novo: o motivo é o da recusa anterior.");
  } else {
    const std::string resultado =
        dm.setCancelaVenda(dm.cdsVendas.Data(), dm.cdsItComandasCanc.Data(), W(conta.CDCAIXA),
                           W(dm.cdEmpresa), u"", W(conta.idOrigemVenda), dm.dtAberturaCaixa)
            .AsString();
    if (resultado.compare(0, 4, "ERRO") == 0) {
      LogImpExpKDS("Ocorreu um erro durante a gravação do cancelamento da venda: " + resultado +
                   ".");
    }
  }
  LogImpExpKDS("Pedido " + conta.NRCOMANDA + " aguardando nova tentativa em " +
               std::to_string(espera) + " s");
}

// The same wait, for the ways out that leave the order pending without a refusal: a bill not
// located, an answer that is neither a sale number nor a refusal, a fiscal closing that raised.
void HoldBack(TrdmImpExpKds& dm, const ContaEmFechamento& conta) {
  const int espera = dm.retryDelays.NoteRefusal(
      RetryDelays::Key(conta.CDFILIAL, conta.NRVENDAREST, conta.NRCOMANDA));
  LogImpExpKDS("Pedido " + conta.NRCOMANDA + " aguardando nova tentativa em " +
               std::to_string(espera) + " s");
}

}  // namespace Cli_Qam00417::closing
