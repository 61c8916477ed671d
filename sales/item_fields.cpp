// The persistent fields of cdsItemVenda: a sale-rows packet must carry each of them.

#include "fiscal/sale/sale_rows.h"
#include "sales/sale_recording.h"

namespace Cli_Qam00417 {
void DeclareSaleItemFields(TrdmImpExpKds& dm) {
  dm.cdsItemVenda.DeclareFields(VyrFiscal::CamposLinhaVenda());
  auto& t = dm.cdsItemVenda;
  dm.cdsItemVendaIDSTPROCOMVEN = &t.FieldByName("IDSTPROCOMVEN");
  dm.cdsItemVendaCDPRODUTO = &t.FieldByName("CDPRODUTO");
  dm.cdsItemVendaNMPRODUTO = &t.FieldByName("NMPRODUTO");
  dm.cdsItemVendaQTPRODCOMVEN = &t.FieldByName("QTPRODCOMVEN");
  dm.cdsItemVendaVRPRECCOMVEN = &t.FieldByName("VRPRECCOMVEN");
  dm.cdsItemVendaCDARVPROD = &t.FieldByName("CDARVPROD");
  dm.cdsItemVendaCDLOJA = &t.FieldByName("CDLOJA");
  dm.cdsItemVendaNRMESA = &t.FieldByName("NRMESA");
  dm.cdsItemVendaCDFILIAL = &t.FieldByName("CDFILIAL");
  dm.cdsItemVendaSTOBSPEDIDO = &t.FieldByName("STOBSPEDIDO");
  dm.cdsItemVendaNRSEQ = &t.FieldByName("NRSEQ");
  dm.cdsItemVendaCDOPERADOR = &t.FieldByName("CDOPERADOR");
  dm.cdsItemVendaNRCUPOMFIS = &t.FieldByName("NRCUPOMFIS");
  dm.cdsItemVendaCDALIQIMPFIS = &t.FieldByName("CDALIQIMPFIS");
  dm.cdsItemVendaCDCLIENTE = &t.FieldByName("CDCLIENTE");
  dm.cdsItemVendaCDCCUSCLIE = &t.FieldByName("CDCCUSCLIE");
  dm.cdsItemVendaCDCONSUMIDOR = &t.FieldByName("CDCONSUMIDOR");
  dm.cdsItemVendaCDVENDEDOR = &t.FieldByName("CDVENDEDOR");
  dm.cdsItemVendaNRINSCRCONS = &t.FieldByName("NRINSCRCONS");
  dm.cdsItemVendaNMCONSVEND = &t.FieldByName("NMCONSVEND");
  dm.cdsItemVendaCDSERVFILI = &t.FieldByName("CDSERVFILI");
  dm.cdsItemVendaVRACRITVEND = &t.FieldByName("VRACRITVEND");
  dm.cdsItemVendaVRDESITVEND = &t.FieldByName("VRDESITVEND");
  dm.cdsItemVendaIDSTPRCOMVEN = &t.FieldByName("IDSTPRCOMVEN");
}

}  // namespace Cli_Qam00417
