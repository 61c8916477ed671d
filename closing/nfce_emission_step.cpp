// Emit the NFC-e document: the fiscal package issued it with the sale; the closing takes its
// access key, handles a note issued in contingency, and prints the customer's receipt.

#include "closing/closing_context.h"
#include "external/fiscal_device.h"
#include "rtl/text_codec.h"
#include "vyrutil/service_result.h"
#include "worker/log_imp_exp_kds.h"

namespace Cli_Qam00417::closing {

bool EmitFiscalDocument(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  // A register set for both documents emits NFC-e.
  if (dm.boVyrNfce) return EmitNfceDocument(dm, conta);
  EmitSatDocument(dm, conta);
  return true;
}

bool EmitNfceDocument(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  const NotaEmitida nota = DesempacotaNota(conta.retornoFiscal);
  conta.chaveAcesso = nota.chaveAcesso;
  LogImpExpKDS("Chave de acesso: " + conta.chaveAcesso);
  if (nota.contingencia) {
    ChangeRecordedSale(dm, conta);
    VyrUtil::CheckResultServ(
        dm.setApagaPedido(rtl::Utf8ToWide(conta.CDFILIAL), rtl::Utf8ToWide(conta.NRCOMANDA)), true,
        0);
    return false;
  }
  FillReceiptParameters(dm, conta, false);
  PrintReceipt(dm, conta, "VENDA_NFCe");
  return true;
}

void ChangeRecordedSale(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  conta.NovoRetornoFiscal();
  AlteracaoVenda alteracao;
  alteracao.NRSEQVENDA = conta.dsRetornoFechamento;
  alteracao.CDFILIAL = conta.CDFILIAL;
  alteracao.CDCAIXA = conta.CDCAIXA;
  alteracao.dtMovimento = dm.dtMovimento;
  alteracao.marca = kMarcaSat;
  AlteraVendaCan(EmpacotaAlteracao(alteracao), conta.retornoFiscal);
  conta.retornoFiscal = Variant();
}

}  // namespace Cli_Qam00417::closing
