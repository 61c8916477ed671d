#include "sales/sale_fixture.h"

#include <cstdlib>

#include "rtl/text_codec.h"

namespace salestest {
namespace {

using rtl::FieldDef;
using rtl::FieldType;
using rtl::Variant;

FieldDef Field(const char* name, FieldType type, int size) {
  FieldDef def;
  def.name = name;
  def.type = type;
  def.size = size;
  return def;
}
FieldDef Text(const char* name, int size) {
  return Field(name, FieldType::String, size);
}
FieldDef Number(const char* name) {
  return Field(name, FieldType::Float, 0);
}

}  // namespace

rtl::DataPacket ItemsPacket(const std::vector<Item>& items) {
  // The columns of the fiscal-device package's sale rows, in its order.
  std::vector<FieldDef> fields = {
      Text("IDSTPROCOMVEN", 1), Text("CDPRODUTO", 20),    Text("NMPRODUTO", 50),
      Text("QTPRODCOMVEN", 20), Number("VRPRECCOMVEN"),   Text("CDARVPROD", 20),
      Text("CDLOJA", 10),       Text("NRMESA", 20),       Text("CDFILIAL", 4),
      Text("STOBSPEDIDO", 200), Text("NRSEQ", 3),         Text("CDOPERADOR", 12),
      Text("NRCUPOMFIS", 6),    Text("CDALIQIMPFIS", 2),  Text("CDCLIENTE", 21),
      Text("CDCCUSCLIE", 10),   Text("CDCONSUMIDOR", 21), Text("CDVENDEDOR", 4),
      Text("NRINSCRCONS", 20),  Text("NMCONSVEND", 50),   Text("CDSERVFILI", 5),
      Number("VRACRITVEND"),    Number("VRDESITVEND"),    Text("IDSTPRCOMVEN", 1),
  };
  std::vector<rtl::Row> rows;
  int nrseq = 1;
  for (const Item& it : items) {
    rows.push_back({"N",
                    it.cdproduto,
                    "Produto " + it.cdproduto,
                    it.qtprodcomven,
                    it.vrpreccomven,
                    it.cdproduto,
                    it.cdloja,
                    "M1",
                    it.cdfilial,
                    "",
                    std::to_string(nrseq++),
                    "OPITEM",
                    "",
                    "T1",
                    it.cdcliente,
                    "",
                    it.cdconsumidor,
                    it.cdvendedor,
                    it.nrinscrcons,
                    it.nmconsvend,
                    it.cdservfili,
                    it.vracritvend,
                    it.vrdesitvend,
                    "N"});
  }
  return rtl::DataPacket(fields, rows);
}

rtl::DataPacket CancelledPacket(const std::vector<CancelledItem>& items) {
  std::vector<FieldDef> fields = {
      Text("CDFILIAL", 4),    Text("CDLOJA", 10),     Text("CDCLIENTE", 21),
      Text("CDVENDEDOR", 4),  Text("CDPRODUTO", 20),  Text("QTPRODCOMVEN", 20),
      Number("VRPRECCOMVEN"), Number("VRDESCCOMVEN"),
  };
  std::vector<rtl::Row> rows;
  for (const CancelledItem& it : items) {
    rows.push_back({it.cdfilial, it.cdloja, it.cdcliente, it.cdvendedor, it.cdproduto,
                    it.qtprodcomven, it.vrpreccomven, it.vrdesccomven});
  }
  return rtl::DataPacket(fields, rows);
}

SaleRecordingTest::SaleRecordingTest(const std::string& cdgrprodpdv) {
  vyrtest::RegisterOptions options;
  options.cdgrprodpdv = cdgrprodpdv;
  vyrtest::InsertBranchStoreRegister(store_, kFilial, "01", kCaixa, options);
  setenv("VYR_CONEXAO", store_.SqliteConnectionString().c_str(), 1);
  dm_ = std::make_unique<Cli_Qam00417::TrdmImpExpKds>();
}

std::string SaleRecordingTest::Record(const rtl::DataPacket& items,
                                      const rtl::DataPacket& cancelled) {
  return Record(Variant(items), Variant(cancelled));
}

std::string SaleRecordingTest::Record(const rtl::Variant& items, const rtl::Variant& cancelled) {
  return dm_->setCancelaVenda(items, cancelled, u"001", u"0001", u"", u"DLV", kAbertura).AsString();
}

void SaleRecordingTest::InsertProductWithTax(const std::string& cdproduto,
                                             const std::string& cdimposto, double rate) {
  store_.Exec("INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, CDARVPROD) VALUES (?, ?, ?)",
              {cdproduto, "Produto " + cdproduto, "ARV" + cdproduto});
  store_.Exec(
      "INSERT OR IGNORE INTO IMPOSTO (CDIMPOSTO, NMIMPOSTO, IDTPIMPOSFIS, CDINTIMPOSTO, "
      "IDTRATIMPO) VALUES (?, 'ICMS', 'T', ?, 'T')",
      {cdimposto, "X" + cdimposto});
  store_.Exec(
      "INSERT INTO ALIQIMPFIS (CDFILIAL, CDPRODUTO, CDIMPOSTO, VRPEALIMPFIS) VALUES "
      "(?, ?, ?, ?)",
      {kFilial, cdproduto, cdimposto, rate});
}

void SaleRecordingTest::InsertSubgroup(const std::string& cdfilisubgr,
                                       const std::string& cdgrupprod, const std::string& cdproduto,
                                       const std::string& cdsubgrprod) {
  store_.Exec(
      "INSERT INTO PRSUBGRPROD (CDFILISUBGR, CDGRUPPROD, CDPRODUTO, CDSUBGRPROD) VALUES "
      "(?, ?, ?, ?)",
      {cdfilisubgr, cdgrupprod, cdproduto, cdsubgrprod});
}

void SaleRecordingTest::InsertShift(const std::string& cdoperaber) {
  store_.Exec(
      "INSERT INTO TURCAIXA (CDFILIAL, CDCAIXA, DTABERCAIX, CDOPERABER) VALUES "
      "(?, ?, '2026-12-06 08:30:00', ?)",
      {kFilial, kCaixa, cdoperaber});
}

vyrtest::Rows SaleRecordingTest::Rows(const std::string& columns, const std::string& table,
                                      const std::string& order_by) const {
  return store_.Query("SELECT " + columns + " FROM " + table + " ORDER BY " + order_by);
}

int SaleRecordingTest::SaleRowCount() const {
  return store_.Count("VENDA") + store_.Count("ITEMVENDA") + store_.Count("ITVENDAIMPOS") +
         store_.Count("ITVENDACAN");
}

}  // namespace salestest
