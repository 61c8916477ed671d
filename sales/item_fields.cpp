// The persistent fields of cdsItemVenda: a sale-rows packet must carry each of them.

#include "sales/sale_recording.h"

namespace Cli_Qam00417 {
namespace {

using rtl::FieldDef;
using rtl::FieldType;

FieldDef Campo(const char* name, FieldType type, int size) {
  FieldDef def;
  def.name = name;
  def.type = type;
  def.size = size;
  return def;
}
FieldDef Texto(const char* name, int size) {
  return Campo(name, FieldType::String, size);
}
FieldDef Numero(const char* name) {
  return Campo(name, FieldType::Float, 0);
}

}  // namespace

void DeclareSaleItemFields(TrdmImpExpKds& dm) {
  dm.cdsItemVenda.DeclareFields({
      Texto("IDSTPROCOMVEN", 1), Texto("CDPRODUTO", 20),    Texto("NMPRODUTO", 50),
      Texto("QTPRODCOMVEN", 20), Numero("VRPRECCOMVEN"),    Texto("CDARVPROD", 20),
      Texto("CDLOJA", 10),       Texto("NRMESA", 20),       Texto("CDFILIAL", 4),
      Texto("STOBSPEDIDO", 200), Texto("NRSEQ", 3),         Texto("CDOPERADOR", 12),
      Texto("NRCUPOMFIS", 6),    Texto("CDALIQIMPFIS", 2),  Texto("CDCLIENTE", 21),
      Texto("CDCCUSCLIE", 10),   Texto("CDCONSUMIDOR", 21), Texto("CDVENDEDOR", 4),
      Texto("NRINSCRCONS", 20),  Texto("NMCONSVEND", 50),   Texto("CDSERVFILI", 5),
      Numero("VRACRITVEND"),     Numero("VRDESITVEND"),     Texto("IDSTPRCOMVEN", 1),
  });
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
