// The bill closing's share of the data module's components: the command that takes an order off
// the automatic-closing queue and the layouts of the tables the closing builds row by row.

#include "closing/closing_context.h"
#include "db/statement_kit.h"
#include "fiscal/sale/sale_rows.h"

namespace Cli_Qam00417 {

namespace {

constexpr const char* kUpdCupExpSql =
    R"mssql(UPDATE COMANDAVEN SET IDIMPCUPEXP = '0' WHERE CDFILIAL = :P_CDFILIAL AND NRVENDAREST = :P_NRVENDAREST AND NRCOMANDA = :P_NRCOMANDA)mssql";

rtl::FieldDef BooleanField(const char* name) {
  return rtl::FieldDef(name, rtl::FieldType::Boolean);
}

std::vector<rtl::FieldDef> MovCaixaDlvFields() {
  using rtl::FloatField;
  using rtl::TextField;
  return {TextField("CDFILIAL", 4),        TextField("NRVENDAREST", 10),
          TextField("NRSEQMOVDLV", 10),    TextField("IDTIPOMOVIVEDLV", 1),
          TextField("CDCLIENTE", 21),      TextField("CDCONSUMIDOR", 21),
          TextField("CDTIPORECE", 3),      FloatField("VRMOVIVENDDLV"),
          TextField("NRCARTBANCODLV", 10), TextField("CDNSUTEFDLV", 50)};
}

std::vector<rtl::FieldDef> FamSaldoFields() {
  return {rtl::TextField("CDFAMILISALD", 3), rtl::FloatField("VRSALDCONFAM")};
}

std::vector<rtl::FieldDef> ParamImpCupNFFields() {
  using rtl::DateTimeField;
  using rtl::FloatField;
  using rtl::TextField;
  return {TextField("CDIDCONSUMID", 25),
          TextField("NMCONSUMIDOR", 50),
          TextField("NRSEQVENDA", 50),
          TextField("NRNAOFISCAL", 20),
          BooleanField("BOIMPREDZEPSON"),
          TextField("VENDAREALIZADA", 2),
          FloatField("TOTALPAGO"),
          FloatField("DOVALACR"),
          TextField("DSCOMANDA", 20),
          FloatField("VRCOUVERT"),
          FloatField("VRCONSUMACA"),
          FloatField("VRTXSERVICO"),
          TextField("CDPRODCOUVER", 10),
          TextField("CDPRODCONSUM", 10),
          TextField("stIdTipoImpNF1", 5),
          TextField("stIdTipoImpNF2", 5),
          TextField("stCdPortImpNF1", 5),
          TextField("stCdPortImpNF2", 5),
          TextField("stIdVendImpNF1", 5),
          TextField("stIdVendImpNF2", 5),
          TextField("STIDPAISINTEGRA", 2),
          TextField("stRedZLeituraX", 1),
          TextField("stImpFechaCaixa", 1),
          TextField("stImpRelProduto", 1),
          TextField("stImpRedZLeituX", 1),
          TextField("stNrSerieECF", 50),
          DateTimeField("DTABERTURACAIXA"),
          TextField("stRelProdutoDia", 1),
          TextField("NRMESA", 4),
          TextField("BUSCANRPESSOAS", 1),
          TextField("NRPESMESAALT", 5),
          TextField("NMVENDEDOR", 50),
          TextField("AGRUPADO", 1),
          TextField("COBRATAXA_FECHAMENTO", 1),
          TextField("COBRACOUVER_FECHAMENTO", 1),
          TextField("COBRACONSUMACAO_FECHAMENTO", 1),
          TextField("NRPESSOAS", 5),
          TextField("CDCLIENTE", 21),
          TextField("TIPOCONTA", 50),
          FloatField("VRBASECONSUM"),
          TextField("STIMPPOSOBS", 1),
          TextField("TIPOVENDA", 1),
          TextField("IDIMPCOMPCUPVEN", 1),
          TextField("SENHACUPOM", 6),
          TextField("IDAMBTRABNFCE", 1),
          TextField("DATAEMISSNFCE", 30),
          TextField("CHAVEACESSONFCe", 55),
          TextField("stIdVendImpNF3", 5),
          TextField("stCdPortImpNF3", 5),
          TextField("stIdTipoImpNF3", 5),
          TextField("stIBPT", 10),
          TextField("stIBPTES", 10),
          TextField("PROTAUTNFCE", 30),
          TextField("NRSERIESAT", 50),
          TextField("STNRNOTAFISCALCE", 10),
          TextField("STDIRSAT", 100),
          TextField("QRCODENFCe", 8000),
          TextField("NRSEQIMPRLOJA6", 5),
          TextField("IDTIPOIMPNF6", 5),
          TextField("CDPORTAIMPNF6", 15)};
}

}  // namespace

void TrdmImpExpKds::DeclareClosing() {
  DeclareCommand(acmUpdCupExp, adcImpExpKds, kUpdCupExpSql,
                 {TextParam("P_CDFILIAL"), TextParam("P_NRVENDAREST"), TextParam("P_NRCOMANDA")});
  cdsMovCaixaDlv.DeclareFields(MovCaixaDlvFields());
  cdsMovCaixa.DeclareFields(VyrFiscal::CamposMovimentoCaixa());
  cdsFamSaldo.DeclareFields(FamSaldoFields());
  cdsParamImpCupNF.DeclareFields(ParamImpCupNFFields());
}

}  // namespace Cli_Qam00417
