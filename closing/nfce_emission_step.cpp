// Emit the NFC-e document: the fiscal package issued it with the sale; the closing takes its
// access key, handles a note issued in contingency, and prints the customer's receipt.

#include "closing/closing_context.h"
#include "external/fiscal_device.h"
#include "rtl/text_codec.h"
#include "vyrutil/service_result.h"
#include "worker/log_imp_exp_kds.h"

namespace Cli_Qam00417::closing {

namespace {

const char* const kContingencia = "CONTIGENCIA_SP";

}  // namespace

bool EmitFiscalDocument(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  // A register set for both documents emits NFC-e.
  if (dm.boVyrNfce) return EmitNfceDocument(dm, conta);
  EmitSatDocument(dm, conta);
  return true;
}

bool EmitNfceDocument(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  conta.chaveAcesso = conta.retornoFiscal[1].AsString();
  LogImpExpKDS("Chave de acesso: " + conta.chaveAcesso);
  const std::string situacao = conta.retornoFiscal[3].AsString();
  if (situacao == kContingencia) {
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
  const Variant parametros(std::vector<Variant>{
      conta.dsRetornoFechamento, conta.CDFILIAL, conta.CDCAIXA,
      Variant::FromDateTime(dm.dtMovimento), std::string(), std::string(), std::string(), "SAT"});
  AlteraVendaCan(parametros, conta.retornoFiscal);
  conta.retornoFiscal = Variant();
}

}  // namespace Cli_Qam00417::closing
