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

// The header columns of a cancelled sale that the sale-row writer does not fill alike for every
// sale.
Bindings ValoresDoModulo(const TrdmImpExpKds::SaleRecording& sale, const std::string& CDFILIAL) {
  return {{"VRDESCVENDA", "0"},  // the database converts the text
          {"CDFILIALTUR", CDFILIAL},
          {"CDCAIXATUR", sale.CDCAIXA},
          {"IDVENDEBCONS", "N"},
          {"NRSEQVENDAMSDE", sale.NRSEQVENDA}};
}

VyrFiscal::CabecalhoVenda Cabecalho(const TrdmImpExpKds::SaleRecording& sale,
                                    const std::string& CDFILIAL, const std::string& CDCLIENTE,
                                    const std::string& CDVENDEDOR, const std::string& CDLOJA) {
  VyrFiscal::CabecalhoVenda cabecalho;
  cabecalho.CDFILIAL = CDFILIAL;
  cabecalho.CDCLIENTE = CDCLIENTE;
  cabecalho.CDEMPRESA = sale.CDEMPRESA;
  cabecalho.CDVENDEDOR = CDVENDEDOR;
  cabecalho.DTABERTUR = sale.DTABERCAIX;
  cabecalho.NRCUPOMFIS = sale.NRCUPOMFIS;
  cabecalho.CDOPERADOR = sale.CDOPERADOR;
  cabecalho.CDLOJA = CDLOJA;
  cabecalho.IDORIGEMVENDA = sale.IDORIGEMVENDA;
  return cabecalho;
}

}  // namespace

void DeclareSaleHeader(TrdmImpExpKds& dm) {
  std::vector<ado::ParamDecl> params;
  for (const char* name : kParamsVenda) params.push_back(DeclaracaoParam(name));
  DeclareCommand(dm.acmInsVenda, dm.adcImpExpKds, kInsVenda, std::move(params));
}

void TrdmImpExpKds::GravaCabecalhoItem(const SaleRecording& sale,
                                       VyrFiscal::GravadorVenda& gravador) {
  const std::string filial = cdsItemVendaCDFILIAL->AsString();
  Bindings values = ValoresDoModulo(sale, filial);
  AppendBindings(values, {{"NRMESA", ""},
                          {"CDCONSUMIDOR", cdsItemVendaCDCONSUMIDOR->AsString()},
                          {"NRCOMANDA", ""},
                          {"DSCOMANDA", ""},
                          {"CDSERVFILI", cdsItemVendaCDSERVFILI->AsString()},
                          {"NMCONSVEND", cdsItemVendaNMCONSVEND->AsString()},
                          {"NRINSCRCONS", cdsItemVendaNRINSCRCONS->AsString()},
                          {"NRVENDAEXT", ""}});
  gravador.GravaCabecalho(
      VyrFiscal::SituacaoVenda::Cancelada,
      Cabecalho(sale, filial, cdsItemVendaCDCLIENTE->AsString(), cdsItemVendaCDVENDEDOR->AsString(),
                cdsItemVendaCDLOJA->AsString()),
      values);
}

void TrdmImpExpKds::GravaCabecalhoCancelado(SaleRecording& sale,
                                            VyrFiscal::GravadorVenda& gravador) {
  TClientDataSet& canc = sale.itensCanc;
  const std::string filial = canc.FieldByName("CDFILIAL").AsString();
  Bindings values = ValoresDoModulo(sale, filial);
  values.push_back({"CDCONSUMIDOR", Variant::Null()});
  for (const char* name : kSoVendaComItens) values.push_back({name, Variant::Null()});
  gravador.GravaCabecalho(
      VyrFiscal::SituacaoVenda::Cancelada,
      Cabecalho(sale, filial, canc.FieldByName("CDCLIENTE").AsString(),
                canc.FieldByName("CDVENDEDOR").AsString(), canc.FieldByName("CDLOJA").AsString()),
      values);
}

}  // namespace Cli_Qam00417
