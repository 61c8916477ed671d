#include "support/fiscal_builders.h"

#include "fiscal/closing_lists.h"
#include "fiscal/sale/sale_rows.h"
#include "rtl/datetime.h"
#include "rtl/field_def.h"

namespace vyrtest {
namespace {

SqlArg TextOrNull(const std::string& text) {
  if (text.empty()) return nullptr;
  return text;
}

}  // namespace

void InsertFiscalBranch(const TempStore& store, const std::string& cdfilial,
                        const FiscalBranch& b) {
  store.Exec("INSERT OR IGNORE INTO FILIAL (CDFILIAL) VALUES (?)", {cdfilial});
  store.Exec(
      "UPDATE FILIAL SET NRINSJURFILI = ?, NMRAZSOCFILI = ?, NMFANTFILI = ?, NRINSESTFILI = ?, "
      "IDREGTRIBFILI = ?, DSENDEFILI = ?, NRENDEFILI = ?, DSCOMPLFILI = ?, NMBAIRFILI = ?, "
      "CDMUNIBGE = ?, NMMUNICIPIO = ?, SGESTADO = ?, CDUFIBGE = ?, NRCEPFILI = ?, NRTELEFILI = ? "
      "WHERE CDFILIAL = ?",
      {TextOrNull(b.cnpj), TextOrNull(b.razao), TextOrNull(b.fantasia), TextOrNull(b.ie),
       TextOrNull(b.regime), TextOrNull(b.logradouro), TextOrNull(b.numero),
       TextOrNull(b.complemento), TextOrNull(b.bairro), TextOrNull(b.municipio_ibge),
       TextOrNull(b.municipio), TextOrNull(b.uf), TextOrNull(b.uf_ibge), TextOrNull(b.cep),
       TextOrNull(b.telefone), cdfilial});
}

void InsertFiscalProduct(const TempStore& store, const std::string& cdfilial,
                         const FiscalProduct& p) {
  store.Exec(
      "INSERT OR REPLACE INTO PRODUTO (CDPRODUTO, NMPRODUTO, CDARVPROD, NRNCM, CDCFOP, "
      "SGUNIDADE, IDORIGPROD, CDSITTRIBICMS, CDALIQIMPFIS) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
      {p.cdproduto, p.nmproduto, p.cdproduto, TextOrNull(p.ncm), p.cfop, p.unidade, p.origem, p.cst,
       p.cdaliqimpfis});
  if (p.aliquota == 0) return;
  store.Exec(
      "INSERT OR REPLACE INTO IMPOSTO (CDIMPOSTO, NMIMPOSTO, IDTPIMPOSFIS, CDINTIMPOSTO, "
      "IDTRATIMPO) VALUES ('ICMS', 'ICMS', 'I', 'ICMS', 'T')");
  store.Exec(
      "INSERT OR REPLACE INTO ALIQIMPFIS (CDFILIAL, CDPRODUTO, CDIMPOSTO, VRPEALIMPFIS) "
      "VALUES (?, ?, 'ICMS', ?)",
      {cdfilial, p.cdproduto, p.aliquota});
}

void InsertRegisterFiscalSettings(const TempStore& store, const std::string& cdfilial,
                                  const std::string& cdcaixa, const std::string& nrserienfce) {
  store.Exec("INSERT OR REPLACE INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, NRSERIENFCE) VALUES (?, ?, ?)",
             {cdfilial, cdcaixa, TextOrNull(nrserienfce)});
}

void InsertDeliveryBill(const TempStore& store, const DeliveryBill& bill) {
  store.Exec("INSERT OR REPLACE INTO CLIENTE (CDCLIENTE, NMRAZSOCCLIE) VALUES (?, ?)",
             {bill.cdcliente, "CLIENTE " + bill.cdcliente});
  store.Exec(
      "INSERT OR REPLACE INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, CDFAMILISALD) "
      "VALUES (?, ?, ?, ?)",
      {bill.cdcliente, bill.cdconsumidor, bill.nmconsumidor, TextOrNull(bill.cdfamilisald)});
  store.Exec(
      "INSERT INTO VENDAREST (CDFILIAL, NRVENDAREST, CDLOJA, DTHRABERMESA, CDOPERADOR, "
      "CDCLIENTE, CDCONSUMIDOR) VALUES (?, ?, ?, ?, ?, ?, ?)",
      {bill.cdfilial, bill.nrvendarest, bill.cdloja, NowText(), bill.cdoperador, bill.cdcliente,
       bill.cdconsumidor});
  store.Exec(
      "INSERT INTO COMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, CDLOJA, DSCOMANDA, IDSTCOMANDA, "
      "NRCOMANDAEXT, IDIMPCUPEXP, IDRETBALLOJA, CDMUNICIPIO, CDPAIS, SGESTADO, CDBAIRRO, "
      "DSBAIRRO, DSENDECONSCOMAN, DSCOMPLENDCOCOM, NRCEPCONSCOMAND, DSREFENDCONSCOM) "
      "VALUES (?, ?, ?, ?, ?, '1', ?, '2', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      {bill.cdfilial, bill.nrvendarest, bill.nrcomanda, bill.cdloja, bill.dscomanda,
       bill.nrcomandaext, bill.idretballoja, bill.cdmunicipio, bill.cdpais, bill.sgestado,
       bill.cdbairro, bill.dsbairro, bill.endereco, bill.complemento, bill.cep, bill.referencia});
  for (const BillItem& item : bill.items) {
    store.Exec(
        "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
        "QTPRODCOMVEN, VRPRECCOMVEN, VRDESCCOMVEN, VRACRCOMVEN, IDSTPROCOMVEN, NRPEDIDOVYR) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {bill.cdfilial, bill.nrvendarest, bill.nrcomanda, item.nrprodcomven, item.cdproduto,
         item.quantity, item.price, item.discount, item.surcharge,
         item.cancelled ? SqlArg("C") : SqlArg("A"), bill.nrcomandaext});
  }
}

void InsertDeliveryPayments(const TempStore& store, const DeliveryBill& bill,
                            const std::vector<BillPayment>& payments) {
  int sequence = 0;
  for (const BillPayment& p : payments) {
    store.Exec(
        "INSERT INTO MOVCAIXADLV (CDFILIAL, NRVENDAREST, NRSEQMOVDLV, IDTIPOMOVIVEDLV, "
        "CDCLIENTE, CDCONSUMIDOR, CDTIPORECE, VRMOVIVENDDLV, CDNSUTEFDLV) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {bill.cdfilial, bill.nrvendarest, std::to_string(++sequence), p.idtipomovive,
         bill.cdcliente, bill.cdconsumidor, p.cdtiporece, p.value, TextOrNull(p.cdnsu)});
  }
}

void FillMovements(rtl::TClientDataSet& table, const DeliveryBill& bill,
                   const std::vector<BillPayment>& payments, rtl::TDateTime when,
                   rtl::TDateTime date) {
  table.Close();
  table.DeclareFields(VyrFiscal::CamposMovimentoCaixa());
  table.CreateDataSet();
  for (const BillPayment& p : payments) {
    table.Append();
    table.FieldByName("CDFILIAL").SetAsString(bill.cdfilial);
    table.FieldByName("IDTIPOMOVIVE").SetAsString(p.idtipomovive);
    table.FieldByName("DSMOVIVEND").SetAsString("PAGAMENTO DELIVERY");
    table.FieldByName("CDTIPORECE").SetAsString(p.cdtiporece);
    table.FieldByName("DTHRINCMOV").SetAsDateTime(when);
    table.FieldByName("CDTIPOTROCO").SetAsString("001");
    table.FieldByName("VRMOVIVEND").SetAsFloat(p.value);
    table.FieldByName("NMTIPORECE").SetAsString(p.nmtiporece);
    table.FieldByName("NRORDTROCO").SetAsString("1");
    table.FieldByName("CDCLIENTE").SetAsString(bill.cdcliente);
    table.FieldByName("CDCONSUMIDOR").SetAsString(bill.cdconsumidor);
    table.FieldByName("DTMOVIMCAIXA").SetAsDateTime(date);
    table.FieldByName("DSIMPFISCAL").SetAsString(p.nmtiporece);
    table.FieldByName("IDTIPORECE").SetAsString(p.idtiporece);
    const std::string codigo = p.idtiporece == "9" ? "05" : "01";
    table.FieldByName("CDFPIMPFIS").SetAsString(p.cdfpimpfis.empty() ? codigo : p.cdfpimpfis);
    if (!p.cdnsu.empty()) table.FieldByName("CDNSUHOSTTEF").SetAsString(p.cdnsu);
    table.Post();
  }
}

rtl::Variant ClosingValues(const DeliveryBill& bill, const ClosingRegister& reg) {
  VyrFiscal::ValoresFechamento v;
  v.CDCAIXA = reg.cdcaixa;
  v.dtAberturaCaixa =
      reg.dt_abertura != 0 ? reg.dt_abertura : rtl::Date() + rtl::EncodeTime(8, 0, 0, 0);
  v.CDEMPRESA = reg.cdempresa;
  v.CDFILIAL = bill.cdfilial;
  v.NRCOMANDA = bill.nrcomanda;
  v.DSCOMANDA = bill.dscomanda;
  v.CDLOJA = bill.cdloja;
  v.NRVENDAREST = bill.nrvendarest;
  v.nrNfce = reg.nr_nfce;
  v.dtMovimento = rtl::Date();
  v.CDMUNICIPIO = bill.cdmunicipio;
  v.CDPAIS = bill.cdpais;
  v.SGESTADO = bill.sgestado;
  v.CDBAIRRO = bill.cdbairro;
  v.DSENDECONSCOMAN = bill.endereco;
  v.DSCOMPLENDCOCOM = bill.complemento;
  v.NRCEPCONSCOMAND = bill.cep;
  v.DSREFENDCONSCOM = bill.referencia;
  v.idOrigemVenda = reg.id_origem_venda;
  v.dtEmissNfce = reg.dt_emiss_nfce;
  v.idAmbTrabNfce = reg.id_amb_trab_nfce;
  v.nrSerieNfce = reg.nr_serie_nfce;
  v.idTipoEmissao = reg.id_tipo_emissao;
  v.vrTotalTrib = reg.vr_total_trib;
  v.DSBAIRRO = bill.dsbairro;
  v.IDRETBALLOJA = bill.idretballoja;
  return VyrFiscal::EmpacotaValores(v);
}

}  // namespace vyrtest
