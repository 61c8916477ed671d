// The receipt of a documented sale: the one-row parameter table the non-fiscal print reads,
// and the print itself.

#include "closing/closing_context.h"
#include "external/fiscal_device.h"
#include "worker/log_imp_exp_kds.h"

namespace Cli_Qam00417::closing {

void FillReceiptParameters(TrdmImpExpKds& dm, const ContaEmFechamento& conta, bool sat) {
  TClientDataSet& param = dm.cdsParamImpCupNF;
  param.Close();
  param.CreateDataSet();
  param.Append();
  param.FieldByName("CHAVEACESSONFCe").SetAsString(conta.chaveAcesso);
  LogImpExpKDS("Preenche cdsParamImpCup com a chave: " + conta.chaveAcesso);
  param.FieldByName("SENHACUPOM").SetAsString(conta.cdSenhaPed);
  param.FieldByName("NRSEQIMPRLOJA6").SetAsString(dm.nrSeqImprLoja6);
  param.FieldByName("IDTIPOIMPNF6").SetAsString(dm.idTipoImpNf6);
  param.FieldByName("CDPORTAIMPNF6").SetAsString(dm.cdPortaImpNf6);
  if (sat) {
    param.FieldByName("QRCODENFCe").SetAsString(conta.dsQrCode);
    param.FieldByName("stIBPT").SetAsString(conta.vrIbpt);
    param.FieldByName("stIBPTES").SetAsString(conta.vrIbptEs);
    param.FieldByName("DATAEMISSNFCE").SetAsString(conta.dtEmissNfce);
    param.FieldByName("NRSERIESAT").SetAsString(conta.nrSerieSat);
  }
  param.Post();
}

void PrintReceipt(TrdmImpExpKds& dm, ContaEmFechamento& conta, const std::string& kind) {
  conta.NovoRetornoFiscal();
  LogImpExpKDS(dm.nrSeqImprLoja6 + " - " + dm.idTipoImpNf6 + " - " + dm.cdPortaImpNf6);
  const Variant parametros(std::vector<Variant>{false, kind, Variant::Omitted(), Variant::Omitted(),
                                                Variant::Omitted(), dm.cdsParamImpCupNF.Data(),
                                                std::string()});
  DisparaImpressaoNaoFiscal(parametros, conta.retornoFiscal);
}

}  // namespace Cli_Qam00417::closing
