// Emit the SAT document: the sale goes to the SAT device, whose answer gives the receipt's QR
// code, the CF-e number and the device's serial number; they are stored with the sale and the
// SAT extract is printed.

#include "closing/closing_context.h"
#include "external/fiscal_device.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "rtl/text_compare.h"
#include "vyrutil/barcode.h"
#include "vyrutil/xml_folder.h"
#include "worker/log_imp_exp_kds.h"

namespace Cli_Qam00417::closing {

namespace {

// 1-based position of `what` in `text`, 0 when absent.
long Pos(const std::string& what, const std::string& text) {
  const size_t found = text.find(what);
  return found == std::string::npos ? 0 : static_cast<long>(found) + 1;
}

}  // namespace

std::string Copy(const std::string& text, long position, long length) {
  if (position < 1) position = 1;
  if (length <= 0 || position > static_cast<long>(text.size())) return std::string();
  return text.substr(static_cast<size_t>(position - 1), static_cast<size_t>(length));
}

// The CF-e and its bar code go to the folder of the day the document is issued, which after
// midnight is no longer the worker's start-up day.
void EmitSatDocument(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  const std::string pasta = VyrUtil::PastaXmlDoDia(conta.CDFILIAL, conta.CDCAIXA, rtl::Date());
  const bool aceita =
      SATOnline(conta.CDFILIAL, conta.CDCAIXA, conta.dsRetornoFechamento, dm.idUtilSatComp,
                dm.cdAtivacaoSat, pasta, conta.vrIbpt, conta.vrIbptEs, conta.valoresSat);
  if (!aceita) {
    ChangeRecordedSale(dm, conta);
    const std::string mensagem = ValorSat(conta.valoresSat, kSatMensagem);
    LogImpExpKDS("raise Exception.create SAT: " + mensagem);
    throw rtl::Exception(mensagem);
  }
  conta.dsQrCode = QrCodeSat(conta.valoresSat);
  conta.chaveAcesso = ValorSat(conta.valoresSat, kSatChaveConsulta);
  const std::string xml = ValorSat(conta.valoresSat, kSatArqXml);
  // The number follows the tag name and the character that closes the tag.
  conta.nrCfe = Copy(xml, Pos("nCFe", xml) + 5, 6);
  VyrUtil::CriaCodBarra(conta.chaveAcesso, pasta);
  conta.nrSerieSat = Copy(xml, Pos("nserieSAT", xml) + 10, 9);
  AtualizaVendaSat(conta.CDFILIAL, conta.CDCAIXA, conta.dsRetornoFechamento, conta.nrCfe,
                   conta.dsQrCode, conta.valoresSat);
  FillReceiptParameters(dm, conta, true);
  PrintReceipt(dm, conta, "EXTRATO_SAT");
}

}  // namespace Cli_Qam00417::closing
