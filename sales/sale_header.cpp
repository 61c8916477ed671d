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

ado::ParamDecl DeclaracaoParam(const std::string& name) {
  if (name == "DTVENDA" || name == "DTENTRVENDA" || name == "DTABERTUR" || name == "DTFECHAVENDA") {
    return DateTimeParam(name.c_str());
  }
  return name == "VRDESCVENDA" ? FloatParam(name.c_str()) : TextParam(name.c_str());
}

// The columns that only a sale with items fills; a sale with cancelled items only stores NULL
// there rather than what an earlier sale left bound.
const char* const kSoVendaComItens[] = {"NRMESA",     "NRCOMANDA",   "DSCOMANDA", "CDSERVFILI",
                                        "NMCONSVEND", "NRINSCRCONS", "NRVENDAEXT"};

struct OrigemCabecalho {
  std::string CDFILIAL, CDCLIENTE, CDVENDEDOR, CDLOJA;
};

Bindings ValoresComuns(const TrdmImpExpKds::SaleRecording& sale, const OrigemCabecalho& origem) {
  return {{"CDFILIAL", origem.CDFILIAL},
          {"CDCAIXA", sale.CDCAIXA},
          {"NRSEQVENDA", sale.NRSEQVENDA},
          {"CDCLIENTE", origem.CDCLIENTE},
          {"CDEMPRESA", sale.CDEMPRESA},
          {"CDVENDEDOR", origem.CDVENDEDOR},
          {"DTVENDA", Variant::FromDateTime(rtl::Now())},
          {"DTENTRVENDA", Variant::FromDateTime(rtl::Date())},
          {"IDSITUVENDA", "C"},
          {"VRDESCVENDA", "0"},  // the database converts the text
          {"CDFILIALTUR", origem.CDFILIAL},
          {"CDCAIXATUR", sale.CDCAIXA},
          {"DTABERTUR", Variant::FromDateTime(sale.DTABERCAIX)},
          {"DTFECHAVENDA", Variant::FromDateTime(rtl::Now())},
          {"NRCUPOMFIS", sale.NRCUPOMFIS},
          {"CDOPERADOR", sale.CDOPERADOR},
          {"CDLOJA", origem.CDLOJA},
          {"IDTIPOVENDA", "D"},
          {"IDTPFORPGVEN", "V"},
          {"IDVENDEBCONS", "N"},
          {"NRSEQVENDAMSDE", sale.NRSEQVENDA},
          {"IDORIGEMVENDA", sale.IDORIGEMVENDA}};
}

}  // namespace

void DeclareSaleHeader(TrdmImpExpKds& dm) {
  std::vector<ado::ParamDecl> params;
  for (const char* name : kParamsVenda) params.push_back(DeclaracaoParam(name));
  DeclareCommand(dm.acmInsVenda, dm.adcImpExpKds, kInsVenda, std::move(params));
}

void TrdmImpExpKds::GravaCabecalhoItem(const SaleRecording& sale) {
  Bindings values =
      ValoresComuns(sale, {cdsItemVendaCDFILIAL->AsString(), cdsItemVendaCDCLIENTE->AsString(),
                           cdsItemVendaCDVENDEDOR->AsString(), cdsItemVendaCDLOJA->AsString()});
  AppendBindings(values, {{"NRMESA", ""},
                          {"CDCONSUMIDOR", cdsItemVendaCDCONSUMIDOR->AsString()},
                          {"NRCOMANDA", ""},
                          {"DSCOMANDA", ""},
                          {"CDSERVFILI", cdsItemVendaCDSERVFILI->AsString()},
                          {"NMCONSVEND", cdsItemVendaNMCONSVEND->AsString()},
                          {"NRINSCRCONS", cdsItemVendaNRINSCRCONS->AsString()},
                          {"NRVENDAEXT", ""}});
  Execute(acmInsVenda, values);
}

void TrdmImpExpKds::GravaCabecalhoCancelado(SaleRecording& sale) {
  TClientDataSet& canc = sale.itensCanc;
  Bindings values = ValoresComuns(
      sale, {canc.FieldByName("CDFILIAL").AsString(), canc.FieldByName("CDCLIENTE").AsString(),
             canc.FieldByName("CDVENDEDOR").AsString(), canc.FieldByName("CDLOJA").AsString()});
  values.push_back({"CDCONSUMIDOR", Variant::Null()});
  for (const char* name : kSoVendaComItens) values.push_back({name, Variant::Null()});
  Execute(acmInsVenda, values);
}

}  // namespace Cli_Qam00417
