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
  DeclareCommand(dm.acmInsItemVenda, dm.adcImpExpKds, kInsItemVenda,
                 {TextParam("CDFILIAL"), TextParam("CDLOJA"), TextParam("CDCAIXA"),
                  TextParam("NRSEQVENDA"), TextParam("NRSEQUITVEND"), FloatParam("QTPRODVEND"),
                  FloatParam("VRUNITVEND"), TextParam("CDPRODUTO"), FloatParam("VRDESITVEND"),
                  FloatParam("VRACRITVEND"), TextParam("CDGRUPPROD"), TextParam("CDSUBGRPROD"),
                  TextParam("CDFISUBGRVND"), TextParam("CDFAMILISALD")});
  DeclareItemTaxes(dm);
}

void TrdmImpExpKds::GravaItensVenda(SaleRecording& sale) {
  while (!cdsItemVenda.Eof()) {
    const std::string filial = cdsItemVendaCDFILIAL->AsString();
    const std::string produto = cdsItemVendaCDPRODUTO->AsString();
    // The quantity travels as text; one that is not a number fails the whole sale.
    const double quantidade = cdsItemVendaQTPRODCOMVEN->AsFloat();
    const double preco = cdsItemVendaVRPRECCOMVEN->AsFloat();
    Bindings values = {{"CDFILIAL", filial},
                       {"CDLOJA", cdsItemVendaCDLOJA->AsString()},
                       {"CDCAIXA", sale.CDCAIXA},
                       {"NRSEQVENDA", sale.NRSEQVENDA},
                       {"NRSEQUITVEND", sale.NRSEQUITVEND},
                       {"QTPRODVEND", quantidade},
                       {"VRUNITVEND", preco},
                       {"CDPRODUTO", produto},
                       {"VRDESITVEND", cdsItemVendaVRDESITVEND->AsFloat()},
                       {"VRACRITVEND", cdsItemVendaVRACRITVEND->AsFloat()},
                       {"CDFAMILISALD", ""}};
    AppendBindings(values, GrupoProduto("CDFISUBGRVND", filial, produto, sale.CDGRPRODPDV));
    Execute(acmInsItemVenda, values);
    GravaImpostoItem(sale, filial, produto, preco, quantidade);
    sale.NRSEQUITVEND = ProximoContador(sale.NRSEQUITVEND);
    cdsItemVenda.Next();
  }
}

}  // namespace Cli_Qam00417
