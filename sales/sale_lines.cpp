// The sale's lines, read from their two tables in packet order and written by the sale-row
// writer: the items through the table's persistent fields, the cancelled items (a table without
// a fixed layout) by field name.

#include "sales/sale_recording.h"

namespace Cli_Qam00417 {

void TrdmImpExpKds::GravaItensCancelados(SaleRecording& sale, VyrFiscal::GravadorVenda& gravador) {
  TClientDataSet& canc = sale.itensCanc;
  while (!canc.Eof()) {
    gravador.GravaCancelado(
        {canc.FieldByName("CDFILIAL").AsString(), canc.FieldByName("CDPRODUTO").AsString(),
         canc.FieldByName("QTPRODCOMVEN").AsFloat(), canc.FieldByName("VRPRECCOMVEN").AsFloat(),
         canc.FieldByName("VRDESCCOMVEN").AsFloat()});
    canc.Next();
  }
}

void TrdmImpExpKds::GravaItensVenda(VyrFiscal::GravadorVenda& gravador) {
  while (!cdsItemVenda.Eof()) {
    // The quantity travels as text; one that is not a number fails the whole sale. The item's
    // family is not recorded.
    gravador.GravaItem({cdsItemVendaCDFILIAL->AsString(), cdsItemVendaCDLOJA->AsString(),
                        cdsItemVendaCDPRODUTO->AsString(), cdsItemVendaQTPRODCOMVEN->AsFloat(),
                        cdsItemVendaVRPRECCOMVEN->AsFloat(), cdsItemVendaVRDESITVEND->AsFloat(),
                        cdsItemVendaVRACRITVEND->AsFloat(), ""});
    cdsItemVenda.Next();
  }
}

}  // namespace Cli_Qam00417
