// The sale's origin, and the tax figures and electronic-document series of a register that
// emits NFC-e or SAT.

#include <cmath>
#include <mutex>

#include "closing/closing_context.h"
#include "external/fiscal_device.h"
#include "worker/log_imp_exp_kds.h"

namespace Cli_Qam00417::closing {

namespace {

// The fiscal package's warning that the approximate taxes are zeros for want of an IBPT table:
// logged once a day, not with every order.
void AvisaUmaVezPorDia(const std::string& aviso) {
  static std::mutex mutex;
  static double ultimoDia = -1;
  if (aviso.empty()) return;
  const double hoje = std::floor(rtl::Date());
  {
    std::lock_guard<std::mutex> trava(mutex);
    if (hoje == ultimoDia) return;
    ultimoDia = hoje;
  }
  LogImpExpKDS(aviso);
}

}  // namespace

// The origin came with the bill (cdsPedidos, the order's own row when it is there): no statement
// of its own.
void ReadSaleOrigin(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  conta.idOrigemVenda =
      dm.cdsPedidos.IsEmpty() ? "" : dm.cdsPedidos.FieldByName("IDORGCMDVENDA").AsString();
}

void ComputeTaxFigures(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  Variant valores = Variant::Array(3);
  CalculoIcmsDFederal(dm.cdsVendas, valores, 0);
  AvisaUmaVezPorDia(valores[1].IsEmptyOrNull() ? std::string() : valores[1].AsString());
  conta.vrIbpt = valores[0].AsString();
  conta.vrIbptEs = valores[2].AsString();
  // A text that is not a number raises here and ends the closing.
  conta.vrTotalTrib = Variant(conta.vrIbpt).AsFloat() + Variant(conta.vrIbptEs).AsFloat();
  conta.nrSerieNfce = getNumeroSerieNFCe(conta.CDFILIAL, conta.CDCAIXA);
}

}  // namespace Cli_Qam00417::closing
