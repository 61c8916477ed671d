#include "support/fiscal_builders.h"

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
  table.DeclareFields(VyrFiscal::CashMovementFields());
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
    table.FieldByName("CDFPIMPFIS").SetAsString(p.idtiporece == "9" ? "05" : "01");
    if (!p.cdnsu.empty()) table.FieldByName("CDNSUHOSTTEF").SetAsString(p.cdnsu);
    table.Post();
  }
}

rtl::Variant ClosingValues(const DeliveryBill& bill, const ClosingRegister& reg) {
  const rtl::TDateTime abertura =
      reg.dt_abertura != 0 ? reg.dt_abertura : rtl::Date() + rtl::EncodeTime(8, 0, 0, 0);
  rtl::Variant values = rtl::Variant::Array(48);
  for (size_t i = 0; i < 48; ++i) values[i] = std::string();
  values[0] = reg.cdcaixa;
  values[1] = rtl::Variant::FromDateTime(abertura);
  values[2] = reg.cdempresa;
  values[5] = bill.cdfilial;
  values[6] = bill.nrcomanda;
  values[7] = bill.dscomanda;
  values[8] = bill.cdloja;
  values[10] = bill.nrvendarest;
  values[11] = std::string("DLV");
  values[12] = reg.nr_nfce;
  values[16] = 0;
  values[20] = rtl::Variant::FromDateTime(rtl::Date());
  values[21] = bill.cdmunicipio;
  values[22] = bill.cdpais;
  values[23] = bill.sgestado;
  values[24] = bill.cdbairro;
  values[25] = bill.endereco;
  values[26] = bill.complemento;
  values[27] = bill.cep;
  values[28] = bill.referencia;
  values[32] = reg.id_origem_venda;
  values[34] = reg.dt_emiss_nfce;
  values[35] = reg.id_amb_trab_nfce;
  values[36] = reg.nr_serie_nfce;
  values[39] = reg.id_tipo_emissao;
  values[41] = reg.vr_total_trib;
  values[42] = bill.dsbairro;
  values[43] = true;
  values[47] = bill.idretballoja;
  return values;
}

}  // namespace vyrtest
