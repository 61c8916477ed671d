// The bill's cancelled items as ITVENDACAN rows of the sale, numbered from "001" in packet
// order. The cancelled-items table has no fixed layout, so its fields are read by name.

#include "sales/sale_recording.h"

namespace Cli_Qam00417 {
namespace {

const char* const kInsItVendaCan =
    R"mssql(INSERT INTO ITVENDACAN (CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQITVENDC, QTPRODVENDC, VRUNITVENDC, VRDESITVENDC, CDPRODUTO, CDGRUPPROD, CDSUBGRPROD, CDFISUBGRVNC) VALUES (:CDFILIAL, :CDCAIXA, :NRSEQVENDA, :NRSEQITVENDC, :QTPRODVENDC, :VRUNITVENDC, :VRDESITVENDC, :CDPRODUTO, :CDGRUPPROD, :CDSUBGRPROD, :CDFISUBGRVNC))mssql";

}  // namespace

void DeclareCancelledItems(TrdmImpExpKds& dm) {
  dm.acmInsItVendaCan.Setup(
      dm.adcImpExpKds, kInsItVendaCan,
      {ParamTexto("CDFILIAL"), ParamTexto("CDCAIXA"), ParamTexto("NRSEQVENDA"),
       ParamTexto("NRSEQITVENDC"), ParamNumero("QTPRODVENDC"), ParamNumero("VRUNITVENDC"),
       ParamNumero("VRDESITVENDC"), ParamTexto("CDPRODUTO"), ParamTexto("CDGRUPPROD"),
       ParamTexto("CDSUBGRPROD"), ParamTexto("CDFISUBGRVNC")});
}

void TrdmImpExpKds::GravaItensCancelados(SaleRecording& sale) {
  TClientDataSet& canc = sale.itensCanc;
  TADOCommand& cmd = acmInsItVendaCan;
  while (!canc.Eof()) {
    const std::string filial = canc.FieldByName("CDFILIAL").AsString();
    const std::string produto = canc.FieldByName("CDPRODUTO").AsString();
    cmd.ParamByName("CDFILIAL").SetAsString(filial);
    cmd.ParamByName("CDCAIXA").SetAsString(sale.CDCAIXA);
    cmd.ParamByName("NRSEQVENDA").SetAsString(sale.NRSEQVENDA);
    cmd.ParamByName("NRSEQITVENDC").SetAsString(sale.NRSEQITVENDC);
    cmd.ParamByName("QTPRODVENDC").SetAsFloat(canc.FieldByName("QTPRODCOMVEN").AsFloat());
    cmd.ParamByName("VRUNITVENDC").SetAsFloat(canc.FieldByName("VRPRECCOMVEN").AsFloat());
    cmd.ParamByName("VRDESITVENDC").SetAsFloat(canc.FieldByName("VRDESCCOMVEN").AsFloat());
    cmd.ParamByName("CDPRODUTO").SetAsString(produto);
    ResolveGrupoProduto(cmd, "CDFISUBGRVNC", filial, produto, sale.CDGRPRODPDV);
    cmd.Execute();
    sale.NRSEQITVENDC = ProximoContador(sale.NRSEQITVENDC);
    canc.Next();
  }
}

}  // namespace Cli_Qam00417
