// The header row of a cancelled sale in VENDA, taken from the first item or, for a sale with
// cancelled items only, from the first cancelled item.

#include "sales/sale_recording.h"

namespace Cli_Qam00417 {
namespace {

const char* const kInsVenda =
    R"mssql(INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, CDCLIENTE, CDEMPRESA, CDVENDEDOR, DTVENDA, DTENTRVENDA, IDSITUVENDA, VRDESCVENDA, CDFILIALTUR, CDCAIXATUR, DTABERTUR, DTFECHAVENDA, NRCUPOMFIS, CDOPERADOR, CDLOJA, IDTIPOVENDA, IDTPFORPGVEN, IDVENDEBCONS, NRMESA, CDCONSUMIDOR, NRCOMANDAVND, DSCOMANDAVND, CDSERVFILI, NMCONSVEND, NRINSCRCONS, NRVENDAEXT, CDMUNICIPIO, CDPAIS, SGESTADO, CDBAIRRO, DSENDECONSVENDA, DSCOMPLENDCOVEN, NRCEPCONSVENDA, NRSEQVENDAMSDE, IDORIGEMVENDA) VALUES (:CDFILIAL, :CDCAIXA, :NRSEQVENDA, :CDCLIENTE, :CDEMPRESA, :CDVENDEDOR, :DTVENDA, :DTENTRVENDA, :IDSITUVENDA, :VRDESCVENDA, :CDFILIALTUR, :CDCAIXATUR, :DTABERTUR, :DTFECHAVENDA, :NRCUPOMFIS, :CDOPERADOR, :CDLOJA, :IDTIPOVENDA, :IDTPFORPGVEN, :IDVENDEBCONS, :NRMESA, :CDCONSUMIDOR, :NRCOMANDA, :DSCOMANDA, :CDSERVFILI, :NMCONSVEND, :NRINSCRCONS, :NRVENDAEXT, :CDMUNICIPIO, :CDPAIS, :SGESTADO, :CDBAIRRO, :DSENDECONSVENDA, :DSCOMPLENDCOVEN, :NRCEPCONSVENDA, :NRSEQVENDAMSDE, :IDORIGEMVENDA))mssql";

// Parameter names in placeholder order; the types that are not text are listed below.
const char* const kParamsVenda[] = {
    "CDFILIAL",       "CDCAIXA",       "NRSEQVENDA",      "CDCLIENTE",       "CDEMPRESA",
    "CDVENDEDOR",     "DTVENDA",       "DTENTRVENDA",     "IDSITUVENDA",     "VRDESCVENDA",
    "CDFILIALTUR",    "CDCAIXATUR",    "DTABERTUR",       "DTFECHAVENDA",    "NRCUPOMFIS",
    "CDOPERADOR",     "CDLOJA",        "IDTIPOVENDA",     "IDTPFORPGVEN",    "IDVENDEBCONS",
    "NRMESA",         "CDCONSUMIDOR",  "NRCOMANDA",       "DSCOMANDA",       "CDSERVFILI",
    "NMCONSVEND",     "NRINSCRCONS",   "NRVENDAEXT",      "CDMUNICIPIO",     "CDPAIS",
    "SGESTADO",       "CDBAIRRO",      "DSENDECONSVENDA", "DSCOMPLENDCOVEN", "NRCEPCONSVENDA",
    "NRSEQVENDAMSDE", "IDORIGEMVENDA",
};

ado::ParamType TipoParam(const std::string& name) {
  if (name == "DTVENDA" || name == "DTENTRVENDA" || name == "DTABERTUR" || name == "DTFECHAVENDA") {
    return ado::ParamType::DateTime;
  }
  return name == "VRDESCVENDA" ? ado::ParamType::Float : ado::ParamType::String;
}

// The columns that only a sale with items fills; a sale with cancelled items only stores NULL
// there rather than what an earlier sale left bound.
const char* const kSoVendaComItens[] = {"NRMESA",     "NRCOMANDA",   "DSCOMANDA", "CDSERVFILI",
                                        "NMCONSVEND", "NRINSCRCONS", "NRVENDAEXT"};

struct OrigemCabecalho {
  std::string CDFILIAL, CDCLIENTE, CDVENDEDOR, CDLOJA;
};

void BindComum(TADOCommand& cmd, const TrdmImpExpKds::SaleRecording& sale,
               const OrigemCabecalho& origem) {
  auto texto = [&cmd](const char* name, const std::string& value) {
    cmd.ParamByName(name).SetAsString(value);
  };
  texto("CDFILIAL", origem.CDFILIAL);
  texto("CDCAIXA", sale.CDCAIXA);
  texto("NRSEQVENDA", sale.NRSEQVENDA);
  texto("CDCLIENTE", origem.CDCLIENTE);
  texto("CDEMPRESA", sale.CDEMPRESA);
  texto("CDVENDEDOR", origem.CDVENDEDOR);
  cmd.ParamByName("DTVENDA").SetAsDateTime(rtl::Now());
  cmd.ParamByName("DTENTRVENDA").SetAsDateTime(rtl::Date());
  texto("IDSITUVENDA", "C");
  texto("VRDESCVENDA", "0");  // the database converts the text
  texto("CDFILIALTUR", origem.CDFILIAL);
  texto("CDCAIXATUR", sale.CDCAIXA);
  cmd.ParamByName("DTABERTUR").SetAsDateTime(sale.DTABERCAIX);
  cmd.ParamByName("DTFECHAVENDA").SetAsDateTime(rtl::Now());
  texto("NRCUPOMFIS", sale.NRCUPOMFIS);
  texto("CDOPERADOR", sale.CDOPERADOR);
  texto("CDLOJA", origem.CDLOJA);
  texto("IDTIPOVENDA", "D");
  texto("IDTPFORPGVEN", "V");
  texto("IDVENDEBCONS", "N");
  texto("NRSEQVENDAMSDE", sale.NRSEQVENDA);
  texto("IDORIGEMVENDA", sale.IDORIGEMVENDA);
}

}  // namespace

void DeclareSaleHeader(TrdmImpExpKds& dm) {
  std::vector<ado::ParamDecl> params;
  for (const char* name : kParamsVenda) params.push_back({name, TipoParam(name), 16});
  dm.acmInsVenda.Setup(dm.adcImpExpKds, kInsVenda, std::move(params));
}

void TrdmImpExpKds::GravaCabecalhoItem(const SaleRecording& sale) {
  BindComum(acmInsVenda, sale,
            {cdsItemVendaCDFILIAL->AsString(), cdsItemVendaCDCLIENTE->AsString(),
             cdsItemVendaCDVENDEDOR->AsString(), cdsItemVendaCDLOJA->AsString()});
  acmInsVenda.ParamByName("NRMESA").SetAsString("");
  acmInsVenda.ParamByName("CDCONSUMIDOR").SetAsString(cdsItemVendaCDCONSUMIDOR->AsString());
  acmInsVenda.ParamByName("NRCOMANDA").SetAsString("");
  acmInsVenda.ParamByName("DSCOMANDA").SetAsString("");
  acmInsVenda.ParamByName("CDSERVFILI").SetAsString(cdsItemVendaCDSERVFILI->AsString());
  acmInsVenda.ParamByName("NMCONSVEND").SetAsString(cdsItemVendaNMCONSVEND->AsString());
  acmInsVenda.ParamByName("NRINSCRCONS").SetAsString(cdsItemVendaNRINSCRCONS->AsString());
  acmInsVenda.ParamByName("NRVENDAEXT").SetAsString("");
  acmInsVenda.Execute();
}

void TrdmImpExpKds::GravaCabecalhoCancelado(SaleRecording& sale) {
  TClientDataSet& canc = sale.itensCanc;
  BindComum(acmInsVenda, sale,
            {canc.FieldByName("CDFILIAL").AsString(), canc.FieldByName("CDCLIENTE").AsString(),
             canc.FieldByName("CDVENDEDOR").AsString(), canc.FieldByName("CDLOJA").AsString()});
  acmInsVenda.ParamByName("CDCONSUMIDOR").Clear();
  for (const char* name : kSoVendaComItens) acmInsVenda.ParamByName(name).Clear();
  acmInsVenda.Execute();
}

}  // namespace Cli_Qam00417
