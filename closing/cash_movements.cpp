// Build the cash movements: every delivery payment of the order becomes a movement of the
// register, described by the payment type's row in the register's payment layout.

#include "closing/closing_context.h"
#include "worker/log_imp_exp_kds.h"

namespace Cli_Qam00417::closing {

namespace {

// Only money in ("E") and change ("T") count towards the amount paid.
bool CountsAsPaid(const std::string& IDTIPOMOVIVE) {
  return IDTIPOMOVIVE == "E" || IDTIPOMOVIVE == "T";
}

void Copia(TClientDataSet& destino, const char* campo, const TClientDataSet& origem,
           const char* coluna) {
  destino.FieldByName(campo).SetValue(origem.FieldByName(coluna).Value());
}

void AppendMovement(TrdmImpExpKds& dm, const ContaEmFechamento& conta) {
  TClientDataSet& mov = dm.cdsMovCaixa;
  const TClientDataSet& dlv = dm.cdsMovCaixaDlv;
  const TClientDataSet& layout = dm.cdsConfTipoReceRev;
  mov.Append();
  mov.FieldByName("CDFILIAL").SetAsString(conta.CDFILIAL);
  Copia(mov, "IDTIPOMOVIVE", dlv, "IDTIPOMOVIVEDLV");
  mov.FieldByName("DSMOVIVEND").SetAsString("PAGAMENTO DELIVERY");
  Copia(mov, "CDTIPORECE", layout, "CDTIPORECE");
  mov.FieldByName("DTHRINCMOV").SetAsDateTime(rtl::Now());
  Copia(mov, "CDTIPOTROCO", layout, "CDTIPOTROCO");
  Copia(mov, "VRMOVIVEND", dlv, "VRMOVIVENDDLV");
  Copia(mov, "NMTIPORECE", layout, "NMTIPORECE");
  Copia(mov, "NRORDTROCO", layout, "NRORDTROCO");
  Copia(mov, "CDCLIENTE", dlv, "CDCLIENTE");
  Copia(mov, "CDCONSUMIDOR", dlv, "CDCONSUMIDOR");
  mov.FieldByName("DTMOVIMCAIXA").SetAsDateTime(conta.dtMovCaixa);
  Copia(mov, "DSIMPFISCAL", layout, "DSIMPFISCAL");
  Copia(mov, "IDTIPORECE", layout, "IDTIPORECE");
  Copia(mov, "CDFPIMPFIS", layout, "CDFPIMPFIS");
  Copia(mov, "CDBANCARTCR", layout, "CDBANCARTCR");
  Copia(mov, "CDNSUHOSTTEF", dlv, "CDNSUTEFDLV");
  mov.Post();
}

}  // namespace

bool BuildCashMovements(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  conta.vrTotalPago = 0;
  if (!dm.cdsMovCaixa.Active()) dm.cdsMovCaixa.CreateDataSet();
  dm.cdsMovCaixa.EmptyDataSet();
  TClientDataSet& dlv = dm.cdsMovCaixaDlv;
  TClientDataSet& layout = dm.cdsConfTipoReceRev;
  for (dlv.First(); !dlv.Eof(); dlv.Next()) {
    const std::string CDTIPORECE = dlv.FieldByName("CDTIPORECE").AsString();
    // A register without its layout file knows no payment type at all.
    if (!layout.Active() || !layout.Locate("CDTIPORECE", Variant(CDTIPORECE))) {
      LogImpExpKDS("O tipo de recebimento " + CDTIPORECE +
                   " não está cadastrado no Layout do Caixa.");
      return false;
    }
    AppendMovement(dm, conta);
    if (CountsAsPaid(dm.cdsMovCaixa.FieldByName("IDTIPOMOVIVE").AsString())) {
      conta.vrTotalPago += dlv.FieldByName("VRMOVIVENDDLV").AsFloat();
    }
  }
  dlv.First();
  return true;
}

}  // namespace Cli_Qam00417::closing
