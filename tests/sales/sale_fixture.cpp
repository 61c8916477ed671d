#include "sales/sale_fixture.h"

#include <cstdlib>

#include "fiscal/sale/sale_rows.h"
#include "rtl/text_codec.h"

namespace salestest {

rtl::DataPacket ItemsPacket(const std::vector<Item>& items) {
  const std::vector<rtl::FieldDef> fields = VyrFiscal::CamposLinhaVenda();
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
  const std::vector<rtl::FieldDef> fields = VyrFiscal::CamposItemCancelado();
  std::vector<rtl::Row> rows;
  for (const CancelledItem& it : items) {
    rows.push_back({it.cdfilial, it.cdloja, it.cdcliente, it.cdvendedor, it.cdproduto,
                    it.qtprodcomven, it.vrpreccomven, it.vrdesccomven});
  }
  return rtl::DataPacket(fields, rows);
}

SaleRecordingTest::SaleRecordingTest(const std::string& cdgrprodpdv) {
  rtl::SetClock([now = kAgora] { return now; });
  vyrtest::RegisterOptions options;
  options.cdgrprodpdv = cdgrprodpdv;
  vyrtest::InsertBranchStoreRegister(store_, kFilial, "01", kCaixa, options);
  setenv("VYR_CONEXAO", store_.SqliteConnectionString().c_str(), 1);
  dm_ = std::make_unique<Cli_Qam00417::TrdmImpExpKds>();
}

SaleRecordingTest::~SaleRecordingTest() {
  rtl::SetClock({});
}

std::string SaleRecordingTest::Record(const rtl::DataPacket& items,
                                      const rtl::DataPacket& cancelled) {
  return Record(rtl::Variant(items), rtl::Variant(cancelled));
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
