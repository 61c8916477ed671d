// The bill's cancelled items as ITVENDACAN rows of the sale, numbered from "001" in packet
// order. The cancelled-items table has no fixed layout, so its fields are read by name.

#include "sales/sale_recording.h"

namespace Cli_Qam00417 {
namespace {

const char* const kInsItVendaCan =
    R"mssql(INSERT INTO ITVENDACAN (CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQITVENDC, QTPRODVENDC, VRUNITVENDC, VRDESITVENDC, CDPRODUTO, CDGRUPPROD, CDSUBGRPROD, CDFISUBGRVNC) VALUES (:CDFILIAL, :CDCAIXA, :NRSEQVENDA, :NRSEQITVENDC, :QTPRODVENDC, :VRUNITVENDC, :VRDESITVENDC, :CDPRODUTO, :CDGRUPPROD, :CDSUBGRPROD, :CDFISUBGRVNC))mssql";

}  // namespace

void DeclareCancelledItems(TrdmImpExpKds& dm) {
  DeclareCommand(dm.acmInsItVendaCan, dm.adcImpExpKds, kInsItVendaCan,
                 {TextParam("CDFILIAL"), TextParam("CDCAIXA"), TextParam("NRSEQVENDA"),
                  TextParam("NRSEQITVENDC"), FloatParam("QTPRODVENDC"), FloatParam("VRUNITVENDC"),
                  FloatParam("VRDESITVENDC"), TextParam("CDPRODUTO"), TextParam("CDGRUPPROD"),
                  TextParam("CDSUBGRPROD"), TextParam("CDFISUBGRVNC")});
}

void TrdmImpExpKds::GravaItensCancelados(SaleRecording& sale) {
  TClientDataSet& canc = sale.itensCanc;
  while (!canc.Eof()) {
    const std::string filial = canc.FieldByName("CDFILIAL").AsString();
    const std::string produto = canc.FieldByName("CDPRODUTO").AsString();
    Bindings values = {{"CDFILIAL", filial},
                       {"CDCAIXA", sale.CDCAIXA},
                       {"NRSEQVENDA", sale.NRSEQVENDA},
                       {"NRSEQITVENDC", sale.NRSEQITVENDC},
                       {"QTPRODVENDC", canc.FieldByName("QTPRODCOMVEN").AsFloat()},
                       {"VRUNITVENDC", canc.FieldByName("VRPRECCOMVEN").AsFloat()},
                       {"VRDESITVENDC", canc.FieldByName("VRDESCCOMVEN").AsFloat()},
                       {"CDPRODUTO", produto}};
    AppendBindings(values, GrupoProduto("CDFISUBGRVNC", filial, produto, sale.CDGRPRODPDV));
    Execute(acmInsItVendaCan, values);
    sale.NRSEQITVENDC = ProximoContador(sale.NRSEQITVENDC);
    canc.Next();
  }
}

}  // namespace Cli_Qam00417
