// The sale's items as ITEMVENDA rows, numbered from "001", each followed by its tax row.

#include "sales/sale_recording.h"
#include "vyrutil/strings.h"

namespace Cli_Qam00417 {
namespace {

const char* const kInsItemVenda =
    R"mssql(INSERT INTO ITEMVENDA (CDFILIAL, CDLOJA, CDCAIXA, NRSEQVENDA, NRSEQUITVEND, QTPRODVEND, VRUNITVEND, CDPRODUTO, VRDESITVEND, VRUNITVENDCL, VRACRITVEND, CDGRUPPROD, CDSUBGRPROD, CDFISUBGRVND, CDFAMILISALD) VALUES (:CDFILIAL, :CDLOJA, :CDCAIXA, :NRSEQVENDA, :NRSEQUITVEND, :QTPRODVEND, :VRUNITVEND, :CDPRODUTO, :VRDESITVEND, 0, :VRACRITVEND, :CDGRUPPROD, :CDSUBGRPROD, :CDFISUBGRVND, :CDFAMILISALD))mssql";

}  // namespace

std::string ProximoContador(const std::string& counter) {
  return VyrUtil::Ajusta(std::to_string(std::stol(counter) + 1), 3);
}

void DeclareSaleItems(TrdmImpExpKds& dm) {
  dm.acmInsItemVenda.Setup(
      dm.adcImpExpKds, kInsItemVenda,
      {ParamTexto("CDFILIAL"), ParamTexto("CDLOJA"), ParamTexto("CDCAIXA"),
       ParamTexto("NRSEQVENDA"), ParamTexto("NRSEQUITVEND"), ParamNumero("QTPRODVEND"),
       ParamNumero("VRUNITVEND"), ParamTexto("CDPRODUTO"), ParamNumero("VRDESITVEND"),
       ParamNumero("VRACRITVEND"), ParamTexto("CDGRUPPROD"), ParamTexto("CDSUBGRPROD"),
       ParamTexto("CDFISUBGRVND"), ParamTexto("CDFAMILISALD")});
  DeclareItemTaxes(dm);
}

void TrdmImpExpKds::GravaItensVenda(SaleRecording& sale) {
  TADOCommand& cmd = acmInsItemVenda;
  while (!cdsItemVenda.Eof()) {
    const std::string filial = cdsItemVendaCDFILIAL->AsString();
    const std::string produto = cdsItemVendaCDPRODUTO->AsString();
    // The quantity travels as text; one that is not a number fails the whole sale.
    const double quantidade = cdsItemVendaQTPRODCOMVEN->AsFloat();
    const double preco = cdsItemVendaVRPRECCOMVEN->AsFloat();
    cmd.ParamByName("CDFILIAL").SetAsString(filial);
    cmd.ParamByName("CDLOJA").SetAsString(cdsItemVendaCDLOJA->AsString());
    cmd.ParamByName("CDCAIXA").SetAsString(sale.CDCAIXA);
    cmd.ParamByName("NRSEQVENDA").SetAsString(sale.NRSEQVENDA);
    cmd.ParamByName("NRSEQUITVEND").SetAsString(sale.NRSEQUITVEND);
    cmd.ParamByName("QTPRODVEND").SetAsFloat(quantidade);
    cmd.ParamByName("VRUNITVEND").SetAsFloat(preco);
    cmd.ParamByName("CDPRODUTO").SetAsString(produto);
    cmd.ParamByName("VRDESITVEND").SetAsFloat(cdsItemVendaVRDESITVEND->AsFloat());
    cmd.ParamByName("VRACRITVEND").SetAsFloat(cdsItemVendaVRACRITVEND->AsFloat());
    cmd.ParamByName("CDFAMILISALD").SetAsString("");
    ResolveGrupoProduto(cmd, "CDFISUBGRVND", filial, produto, sale.CDGRPRODPDV);
    cmd.Execute();
    GravaImpostoItem(sale, filial, produto, preco, quantidade);
    sale.NRSEQUITVEND = ProximoContador(sale.NRSEQUITVEND);
    cdsItemVenda.Next();
  }
}

}  // namespace Cli_Qam00417
