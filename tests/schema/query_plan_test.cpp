// The statements of every scan pass, the pending-order list and the sale check, and the closing's
// lookups of its own bill must cost the same in a store full of history as in an empty one: each
// table is reached by equality on a key or an index, never by a range over the branch. Checked on
// an empty store and after a load of closed bills and old sales with fresh planner statistics.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "external/fiscal_device.h"
#include "fiscal/fiscal_store.h"
#include "rtl/program_dir.h"
#include "schema/module_statements.h"
#include "support/store_builders.h"
#include "support/temp_store.h"

namespace {

using vyrtest::TempStore;

const std::string kPedExpKds = vyrtest::SqliteTextOf("adqPedExpKDS");
const std::string kVendaSqlite = vyrtest::SqliteTextOf("adqVenda");

// The plan line of table alias `alias` ("SEARCH CV USING INDEX ..."), or "" when it has none.
std::string PlanLineOf(const TempStore& store, const std::string& sql, const vyrtest::SqlArgs& args,
                       const std::string& alias) {
  for (const auto& row : store.Query("EXPLAIN QUERY PLAN " + sql, args)) {
    const std::string& detail = row.back();
    if (detail.rfind("SEARCH " + alias + " ", 0) == 0 || detail == "SCAN " + alias ||
        detail.rfind("SCAN " + alias + " ", 0) == 0) {
      return detail;
    }
  }
  return "";
}

// Each table must be reached by equality on the whole of the given index prefix: a shorter
// prefix (the branch alone) would still read the branch's whole history.
void ExpectPlan(const TempStore& store, const std::string& sql, const vyrtest::SqlArgs& args,
                const std::vector<std::pair<std::string, std::string>>& expected) {
  for (const auto& [alias, search] : expected) {
    const std::string line = PlanLineOf(store, sql, args, alias);
    EXPECT_EQ(0u, line.rfind("SEARCH " + alias + " ", 0)) << line;
    EXPECT_NE(std::string::npos, line.find(search)) << alias << ": " << line;
  }
}

void ExpectPendingOrderPlan(const TempStore& store) {
  ExpectPlan(store, kPedExpKds, {"0001", "01", "001"},
             {{"CA", "(CDFILIAL=? AND CDCAIXA=?)"},
              {"CV", "IX_COMANDAVEN_PENDENTE (CDFILIAL=? AND CDLOJA=? AND IDIMPCUPEXP=?)"},
              {"IC", "(CDFILIAL=? AND NRVENDAREST=?)"}});
}

void ExpectSaleCheckPlan(const TempStore& store) {
  ExpectPlan(
      store, kVendaSqlite, {"0001", "01", "0000000001"},
      {{"VR", "(CDFILIAL=? AND NRVENDAREST=?)"},
       {"VE", "IX_VENDA_VENDAREST (CDFILIAL=? AND CDLOJA=? AND NRVENDAREST=? AND DTENTRVENDA=?)"}});
}

const std::string kPedidos = vyrtest::SqliteTextOf("adqPedidos");
const std::string kItComandaEst = vyrtest::SqliteTextOf("adqItComandaEst");
const std::string kObsItensEst = vyrtest::SqliteTextOf("adqObsItensEst");
const std::string kObsItens = vyrtest::SqliteTextOf("adqObsItens");

// The closing's lookups as they searched the whole history: the open delivery bills of the store
// and the items and notes of every bill number contained in the bill list, each row followed by
// the order it belongs to (for the grouped items, the order they were moved into).
const char* const kPedidosWhole =
    "SELECT CO.IDSTCOMANDA, CO.NRVENDAREST, VE.DTHRABERMESA, CS.CDCONSUMIDOR, CS.NMCONSUMIDOR, "
    "CS.NRTELECONS, CO.NRCOMANDA, CO.DSCOMANDA, VE.CDCLIENTE, CS.NRCPFRESPCON,CO.CDMUNICIPIO, "
    "CO.CDPAIS, CO.SGESTADO, CO.CDBAIRRO, CO.DSBAIRRO, CO.DSENDECONSCOMAN, "
    "CO.DSCOMPLENDCOCOM,CO.NRCEPCONSCOMAND, CAST(CO.DSREFENDCONSCOM AS VARCHAR(2000)) AS "
    "DSREFENDCONSCOM, CO.DTENTREGA, VE.NRVENDARESTAUX, CO.IDORGCMDVENDA, VE.CDNSUESITEF, "
    "CO.IDRETBALLOJA, CS.IDIMPCPFCUPOM, CO.NRVENDAREST FROM COMANDAVEN CO, VENDAREST VE LEFT JOIN "
    "CONSUMIDOR CS ON "
    "(VE.CDCLIENTE = "
    "CS.CDCLIENTE) AND (VE.CDCONSUMIDOR = CS.CDCONSUMIDOR) WHERE (CO.NRVENDAREST = "
    "VE.NRVENDAREST) AND(CO.CDFILIAL = VE.CDFILIAL) AND(VE.CDFILIAL = :P_CDFILIAL) "
    "AND(CO.CDLOJA = :P_CDLOJA) AND(CO.IDSTCOMANDA NOT IN ('5')) AND(SUBSTRING(CO.DSCOMANDA,1,4) "
    "= 'DLV_') ORDER BY CO.NRCOMANDA DESC";
const char* const kItComandaEstWhole =
    "SELECT IE.CDFILIAL,IE.CDPRODUTO, IE.QTPROCOMEST, IE.NRPRODCOMVEN, IE.VRPRECCOMEST, "
    "IE.NRCOMANDA, IE.VRDESITCOMEST, substr(IE.DSOBSPEDDIGEST,1,30) AS DSOBSPEDDIGEST, "
    "IE.NRVENDAREST FROM ITCOMANDAEST IE WHERE (IE.CDFILIAL = :P_CDFILIAL) AND IE.NRCOMANDA <> '' "
    "AND "
    "instr(:P_NRCOMANDA,IE.NRCOMANDA) > 0 UNION SELECT IE.CDFILIAL,IE.CDPRODUTO, IE.QTPROCOMEST, "
    "IT.NRPRODCOMVEN, IE.VRPRECCOMEST, IE.NRCOMANDA, IE.VRDESITCOMEST, "
    "substr(IE.DSOBSPEDDIGEST,1,30) AS DSOBSPEDDIGEST, IT.NRVENDAREST FROM ITCOMANDAEST IE, "
    "ITCOMANDAVEN IT WHERE "
    "(IE.CDFILIAL = :P_CDFILIAL) AND IE.NRCOMANDA <> '' AND (instr(:P_NRCOMANDAAGRUP,IE.NRCOMANDA) "
    "> 0) AND IE.CDFILIAL = IT.CDFILIAL AND IE.NRCOMANDA = IT.NRCOMANDAORI AND IE.NRPRODCOMVEN = "
    "IT.NRPRODCOMORI ORDER BY NRPRODCOMVEN";
const char* const kObsItensEstWhole =
    "SELECT I.NRPRODCOMVEN AS NRSEQ, I.CDPRODUTO, O.CDGRPOCOR, O.CDOCORR, I.NRCOMANDA, "
    "I.NRVENDAREST FROM ITCOMANDAEST I, OBSITCOMANDAEST O WHERE (I.CDFILIAL = :P_CDFILIAL ) AND "
    "(I.CDFILIAL = "
    "O.CDFILIAL ) AND (I.NRVENDAREST = O.NRVENDAREST ) AND (I.NRCOMANDA = O.NRCOMANDA ) AND "
    "(I.NRPRODCOMVEN = O.NRPRODCOMVEN) AND (I.CDPRODUTO = O.CDPRODUTO ) AND I.NRCOMANDA <> '' AND "
    "(instr(:P_NRCOMANDA, I.NRCOMANDA) <> 0)";
const char* const kObsItensWhole =
    "SELECT I.NRPRODCOMVEN AS NRSEQ, I.CDPRODUTO, O.CDGRPOCOR, O.CDOCORR, I.NRCOMANDA, "
    "I.NRVENDAREST FROM ITCOMANDAVEN I, OBSITCOMANDAVEN O WHERE (I.CDFILIAL = :P_CDFILIAL ) AND "
    "(I.CDFILIAL = "
    "O.CDFILIAL ) AND (I.NRVENDAREST = O.NRVENDAREST ) AND (I.NRCOMANDA = O.NRCOMANDA ) AND "
    "(I.NRPRODCOMVEN = O.NRPRODCOMVEN) AND I.NRCOMANDA <> '' AND (instr(:P_NRCOMANDA, "
    "I.NRCOMANDA) <> 0)";

void ExpectClosingLookupPlans(const TempStore& store) {
  ExpectPlan(
      store, kPedidos, {"0001", "01", "0001", "0000000001"},
      {{"CO", "sqlite_autoindex_COMANDAVEN_1 (CDFILIAL=? AND NRVENDAREST=? AND NRCOMANDA=?)"},
       {"VE", "(CDFILIAL=? AND NRVENDAREST=?)"}});
  ExpectPlan(store, kItComandaEst, {"0001", "0000000001", "0001", "0002"},
             {{"IE", "sqlite_autoindex_ITCOMANDAEST_1 (CDFILIAL=? AND NRVENDAREST=?)"},
              {"IT", "sqlite_autoindex_ITCOMANDAVEN_1 (CDFILIAL=? AND NRVENDAREST=?)"}});
  ExpectPlan(store, kObsItensEst, {"0001", "0000000001", "0001"},
             {{"I", "sqlite_autoindex_ITCOMANDAEST_1 (CDFILIAL=? AND NRVENDAREST=?)"},
              {"O", "(CDFILIAL=? AND NRVENDAREST=? AND NRCOMANDA=? AND NRPRODCOMVEN=?)"}});
  ExpectPlan(store, kObsItens, {"0001", "0000000001", "0001"},
             {{"I", "sqlite_autoindex_ITCOMANDAVEN_1 (CDFILIAL=? AND NRVENDAREST=?)"},
              {"O", "(CDFILIAL=? AND NRVENDAREST=? AND NRCOMANDA=? AND NRPRODCOMVEN=?)"}});
}

// Rows as "a|b;c|d", in the order given or sorted.
std::string Render(vyrtest::Rows rows, bool sorted) {
  if (sorted) std::sort(rows.begin(), rows.end());
  std::string text;
  for (const auto& row : rows) {
    for (const std::string& value : row) text += value + "|";
    text += ";";
  }
  return text;
}

// The rows of `rows` whose last column is `order`, without that column.
vyrtest::Rows OfOrder(const vyrtest::Rows& rows, const std::string& order) {
  vyrtest::Rows kept;
  for (std::vector<std::string> row : rows) {
    if (row.back() != order) continue;
    row.pop_back();
    kept.push_back(row);
  }
  return kept;
}

// Closed bills with items and their sales of earlier days, in several stores of the branch.
void LoadHistory(const TempStore& store, int orders) {
  store.Exec("BEGIN");
  store.Exec(
      "WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < ?) "
      "INSERT INTO VENDAREST (CDFILIAL, NRVENDAREST, CDLOJA) "
      "SELECT '0001', printf('H%09d', I), printf('%02d', I % 5) FROM N",
      {orders});
  store.Exec(
      "INSERT INTO COMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, CDLOJA, DSCOMANDA, IDSTCOMANDA, "
      "IDIMPCUPEXP) SELECT CDFILIAL, NRVENDAREST, substr(NRVENDAREST, 2), CDLOJA, 'DLV_1', 'X', "
      "'3' FROM VENDAREST");
  store.Exec(
      "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, NRPEDIDOVYR) "
      "SELECT CDFILIAL, NRVENDAREST, NRCOMANDA, '001', 'P' || NRCOMANDA FROM COMANDAVEN");
  store.Exec(
      "INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, CDLOJA, NRVENDAREST, DTENTRVENDA, "
      "IDSITUVENDA, IDTIPOEMISSAO) SELECT CDFILIAL, '001', substr(NRVENDAREST, 2), CDLOJA, "
      "NRVENDAREST, '2020-01-01 00:00:00', 'A', 'N' FROM VENDAREST");
  store.Exec(
      "INSERT INTO NFCEVENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, CDCHAVENFCE, IDSITUNFCE, "
      "DTHREMISNFCE) SELECT CDFILIAL, CDCAIXA, NRSEQVENDA, 'K' || NRSEQVENDA, 'authorised', "
      "DTENTRVENDA FROM VENDA");
  store.Exec(
      "INSERT INTO VENDACUPOM (CDFILIAL, CDCAIXA, NRSEQVENDA, IDSITUCUPOM, QTTENTCUPOM, "
      "QTREIMPCUPOM) SELECT CDFILIAL, CDCAIXA, NRSEQVENDA, 'IMPRESSO', 1, 0 FROM VENDA");
  store.Exec("COMMIT");
  store.Exec("ANALYZE");
}

// The texts of the statements run on the connections opened while it lives, each once, in the
// order they first ran.
class StatementRecorder {
 public:
  StatementRecorder() {
    active_ = this;
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(OnOpen));
  }
  ~StatementRecorder() {
    sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(OnOpen));
    active_ = nullptr;
  }
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  static int OnOpen(sqlite3* db, char**, const sqlite3_api_routines*) {
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, OnStatement, nullptr);
    return SQLITE_OK;
  }
  static int OnStatement(unsigned, void*, void* statement, void*) {
    if (active_ == nullptr) return 0;
    const std::string sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
    std::vector<std::string>& texts = active_->texts_;
    if (std::find(texts.begin(), texts.end(), sql) == texts.end()) texts.push_back(sql);
    return 0;
  }

  static inline StatementRecorder* active_ = nullptr;
  std::vector<std::string> texts_;
};

// The statements of one worker pass of an NFC-e register with nothing to do, as the module and
// the fiscal package run them: the scan, the document pass and the send of the pending notes.
std::vector<std::string> IdlePassStatements(const TempStore& store) {
  unsetenv("VYR_CONEXAO");
  rtl::SetProgramDirectory(store.Dir());
  VyrFiscal::ConexaoFiscal().Close();
  StatementRecorder recorder;
  {
    auto dm = std::make_unique<Cli_Qam00417::TrdmImpExpKds>();
    dm->cdEmpresa = "0001";
    dm->boVyrNfce = true;
    dm->idTipoEmissao = "N";
    dm->idAmbTrabNfce = "2";
    dm->VerificaPedidosExpKDS("0001", "001", "01");
    dm->EmiteDocumentosPendentes("0001", "001");
    VyrFiscal::TransmiteNfcePendentes("0001", "001");
  }
  VyrFiscal::ConexaoFiscal().Close();
  rtl::SetProgramDirectory("");
  return recorder.Texts();
}

// The tables an idle pass reads that grow with history, by statement (its start) and alias, and
// the ways that bound each by what waits or owes (bills waiting for closing, documents, receipts
// and notes still owed), or by the one bill or sale at hand.
struct BoundedRead {
  std::string statement;
  std::string alias;
  std::vector<std::string> ways;  // "INDEX NAME (constraints)" as the plan names them
};

const std::vector<BoundedRead> kIdleReads = {
    {"SELECT DISTINCT CA.CDCAIXA",
     "CV",
     {"IX_COMANDAVEN_PENDENTE (CDFILIAL=? AND CDLOJA=? AND IDIMPCUPEXP=?)"}},
    {"SELECT DISTINCT CA.CDCAIXA",
     "IC",
     {"sqlite_autoindex_ITCOMANDAVEN_1 (CDFILIAL=? AND NRVENDAREST=?)"}},
    {"SELECT NRVENDAREST, NRCOMANDA, IDREPETIDA",
     "CV",
     {"IX_COMANDAVEN_AGUARDA (CDFILIAL=?)",
      "IX_COMANDAVEN_PENDENTE (CDFILIAL=? AND CDLOJA=? AND IDIMPCUPEXP=?)"}},
    {"SELECT NRVENDAREST, NRCOMANDA, IDREPETIDA",
     "OU",
     {"IX_COMANDAVEN_AGUARDA (CDFILIAL=? AND NRCOMANDA=?)"}},
    {"SELECT NRVENDAREST, NRCOMANDA, IDREPETIDA",
     "IC",
     {"sqlite_autoindex_ITCOMANDAVEN_1 (CDFILIAL=? AND NRVENDAREST=? AND NRCOMANDA=?)"}},
    {"SELECT CP.NRSEQVENDA FROM VENDACUPOM",
     "CP",
     {"IX_VENDACUPOM_SITUACAO (CDFILIAL=? AND CDCAIXA=?)"}},
    {"SELECT CP.NRSEQVENDA FROM VENDACUPOM",
     "VE",
     {"sqlite_autoindex_VENDA_1 (CDFILIAL=? AND CDCAIXA=? AND NRSEQVENDA=?)"}},
    {"SELECT CP.NRSEQVENDA FROM VENDACUPOM",
     "NF",
     {"sqlite_autoindex_NFCEVENDA_1 (CDFILIAL=? AND CDCAIXA=? AND NRSEQVENDA=?)"}},
    {"SELECT NRSEQVENDA FROM VENDA", "VENDA", {"IX_VENDA_DOCPENDENTE (CDFILIAL=? AND CDCAIXA=?)"}},
    {"SELECT CDFILIAL, CDCAIXA, NRSEQVENDA, CDCHAVENFCE",
     "NFCEVENDA",
     {"IX_NFCEVENDA_PENDENTE (CDFILIAL=? AND CDCAIXA=?)"}},
    {"SELECT CDCHAVENFCE, NRSEQVENDA, DSMOTIVONFCE FROM NFCEVENDA",
     "NFCEVENDA",
     {"IX_NFCEVENDA_RECUSADA (CDFILIAL=? AND CDCAIXA=?)"}},
    {"SELECT CDCHAVENFCE, NRSEQVENDA, NRNFCE, NRSERIENFCE, DSMOTIVONFCE FROM NFCEVENDA",
     "NFCEVENDA",
     {"IX_NFCEVENDA_RECUSADA (CDFILIAL=? AND CDCAIXA=?)"}},
};

// The register's own rows (CAIXA, NFCECONTING) do not grow with history.
bool RegistersOwnRows(const std::string& alias) {
  return alias == "CA" || alias == "NFCECONTING";
}

bool Bounded(const std::string& sql, const std::string& alias, const std::string& detail) {
  for (const BoundedRead& read : kIdleReads) {
    if (sql.rfind(read.statement, 0) != 0 || read.alias != alias) continue;
    for (const std::string& way : read.ways) {
      if (detail.find("INDEX " + way) != std::string::npos) return true;
    }
  }
  return false;
}

// The plan lines (SEARCH or SCAN of a table) of `sql` on the store as it stands.
std::vector<std::string> PlanLines(const TempStore& store, const std::string& sql) {
  std::vector<std::string> lines;
  sqlite3_stmt* plan = nullptr;
  const std::string explain = "EXPLAIN QUERY PLAN " + sql;
  if (sqlite3_prepare_v2(store.Handle(), explain.c_str(), -1, &plan, nullptr) != SQLITE_OK) {
    lines.push_back(sqlite3_errmsg(store.Handle()));
  }
  while (plan != nullptr && sqlite3_step(plan) == SQLITE_ROW) {
    const std::string detail = reinterpret_cast<const char*>(sqlite3_column_text(plan, 3));
    if (detail.rfind("SEARCH ", 0) == 0 || detail.rfind("SCAN ", 0) == 0) lines.push_back(detail);
  }
  sqlite3_finalize(plan);
  return lines;
}

// Each table read of `statements` that no entry of kIdleReads bounds, one line each.
std::string UnboundedReads(const TempStore& store, const std::vector<std::string>& statements) {
  std::string text;
  for (const std::string& sql : statements) {
    for (const std::string& detail : PlanLines(store, sql)) {
      const size_t from = detail.find(' ') + 1;
      const std::string alias = detail.substr(from, detail.find(' ', from) - from);
      if (RegistersOwnRows(alias) || Bounded(sql, alias, detail)) continue;
      text += sql.substr(0, 60) + "...: " + detail + "\n";
    }
  }
  return text;
}

// Every statement of an idle pass reaches each table that grows with history through an index
// bounded by what waits, or by one bill or sale: on an empty store and on one of closed history
// (bill numbers recycled) with fresh planner statistics alike. A statement added to the pass
// fails this test until its reads are named in kIdleReads.
TEST(StoreQueryPlans, EveryStatementOfAnIdlePassReadsOnlyWhatWaits) {
  TempStore store;
  vyrtest::InsertBranchStoreRegister(store, "0001", "01", "001");
  const std::vector<std::string> statements = IdlePassStatements(store);
  ASSERT_EQ(8u + 2u, statements.size());  // the connections' two settings, then the pass
  std::string unbounded = UnboundedReads(store, statements);
  LoadHistory(store, 20000);
  // Bill numbers recycle: each of 999 numbers was had by 20 closed bills.
  for (const char* table : {"COMANDAVEN", "ITCOMANDAVEN"}) {
    store.Exec(std::string("UPDATE ") + table +
               " SET NRCOMANDA = printf('%04d', CAST(substr(NRVENDAREST, 2) AS INTEGER) % 999)");
  }
  store.Exec("ANALYZE");
  unbounded += UnboundedReads(store, statements);
  EXPECT_EQ("", unbounded);
}

TEST(StoreQueryPlans, PendingOrderListGoesStraightToWaitingBills) {
  TempStore store;
  ExpectPendingOrderPlan(store);
  LoadHistory(store, 20000);
  ExpectPendingOrderPlan(store);
}

TEST(StoreQueryPlans, SaleCheckGoesStraightToTheOrdersSalesOfToday) {
  TempStore store;
  ExpectSaleCheckPlan(store);
  LoadHistory(store, 20000);
  ExpectSaleCheckPlan(store);
}

TEST(StoreQueryPlans, ClosingLookupsGoStraightToTheirBill) {
  TempStore store;
  ExpectClosingLookupPlans(store);
  LoadHistory(store, 20000);
  ExpectClosingLookupPlans(store);
}

// Among history whose bill numbers recycle, with bill numbers contained in one another ("1" in
// "12" in "123"), a bill grouped into another, a bill with status 5 and one of another store,
// each lookup gives for a bill of an order exactly what the whole-history statement gives for it.
TEST(StoreQueryPlans, ClosingLookupsOfOneBillGiveWhatTheWholeHistoryGivesForIt) {
  TempStore store;
  LoadHistory(store, 300);
  for (const char* table : {"COMANDAVEN", "ITCOMANDAVEN"}) {
    store.Exec(std::string("UPDATE ") + table +
               " SET NRCOMANDA = CASE CAST(substr(NRVENDAREST, 2) AS INTEGER) % 3 WHEN 0 THEN '12' "
               "WHEN 1 THEN '0001' ELSE '3' END");
  }
  vyrtest::InsertBranchStoreRegister(store, "0001", "01", "001");
  const std::vector<std::pair<std::string, std::string>> bills = {
      {"0000000001", "1"}, {"0000000002", "12"}, {"0000000003", "123"},
      {"0000000004", "3"}, {"0000000005", "23"}, {"0000000006", "0001"}};
  for (const auto& [order, bill] : bills) {
    vyrtest::PendingOrder pending;
    pending.nrvendarest = order;
    pending.nrcomanda = bill;
    pending.items = {vyrtest::OrderItem{"001", "P" + bill}, vyrtest::OrderItem{"002", "Q" + bill}};
    vyrtest::InsertPendingOrder(store, pending);
  }
  store.Exec("UPDATE COMANDAVEN SET IDSTCOMANDA = '5' WHERE NRCOMANDA = '23'");
  store.Exec("UPDATE COMANDAVEN SET CDLOJA = '02' WHERE NRVENDAREST = '0000000004'");
  // Item 003 of bill 12 is item 001 of bill 3, grouped into it.
  store.Exec(
      "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
      "NRCOMANDAORI, NRPRODCOMORI) VALUES ('0001', '0000000002', '12', '003', 'P3', '3', '001')");
  store.Exec(
      "INSERT INTO ITCOMANDAEST (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
      "QTPROCOMEST, VRPRECCOMEST, DSOBSPEDDIGEST) SELECT CDFILIAL, NRVENDAREST, NRCOMANDA, "
      "NRPRODCOMVEN, CDPRODUTO, 1, 10, 'nota ' || NRVENDAREST FROM ITCOMANDAVEN "
      "WHERE NRCOMANDAORI IS NULL");
  store.Exec(
      "INSERT INTO OBSITCOMANDAEST (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
      "CDGRPOCOR, CDOCORR) SELECT CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
      "'G1', NRVENDAREST FROM ITCOMANDAEST");
  store.Exec(
      "INSERT INTO OBSITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDGRPOCOR, "
      "CDOCORR) SELECT CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, 'G2', NRVENDAREST FROM "
      "ITCOMANDAVEN");
  store.Exec("ANALYZE");

  std::string whole, bounded;
  std::vector<std::pair<std::string, std::string>> cases = bills;
  cases.insert(cases.end(), {{"0000000002", "1"}, {"0000000009", "9"}, {"0000000001", ""}});
  for (const auto& [order, bill] : cases) {
    const std::string grouped = bill == "12" ? "3" : "";
    vyrtest::Rows open;
    for (const auto& row : store.Query(kPedidosWhole, {"0001", "01"})) {
      if (row[6] == bill) open.push_back(row);
    }
    whole +=
        order + " " + bill + ": " + Render(OfOrder(open, order), false) +
        Render(OfOrder(store.Query(kItComandaEstWhole, {"0001", bill, grouped}), order), true) +
        Render(OfOrder(store.Query(kObsItensEstWhole, {"0001", bill}), order), true) +
        Render(OfOrder(store.Query(kObsItensWhole, {"0001", bill}), order), true) + "\n";
    // The parameters bind by position, in the order the texts first name them.
    bounded += order + " " + bill + ": " +
               Render(store.Query(kPedidos, {"0001", "01", bill, order}), false) +
               Render(store.Query(kItComandaEst, {"0001", order, bill, grouped}), true) +
               Render(store.Query(kObsItensEst, {"0001", order, bill}), true) +
               Render(store.Query(kObsItens, {"0001", order, bill}), true) + "\n";
  }
  EXPECT_EQ(whole, bounded);
  EXPECT_NE(std::string::npos, whole.find("P3|")) << whole;  // the grouped item is there
}

TEST(StoreQueryPlans, PendingOrderListFindsOnlyWaitingBillsAmongHistory) {
  TempStore store;
  LoadHistory(store, 2000);
  vyrtest::InsertBranchStoreRegister(store, "0001", "01", "001");
  vyrtest::PendingOrder order;
  order.items = {vyrtest::OrderItem{"001"}, vyrtest::OrderItem{"002"}};
  vyrtest::InsertPendingOrder(store, order);

  const vyrtest::Rows rows = store.Query(kPedExpKds, {"0001", "01", "001"});
  ASSERT_EQ(1u, rows.size());  // two items, one order number: one row
  EXPECT_EQ((std::vector<std::string>{"001", "S", "0001", "0000000001", "0001", "DLV_0001", "1",
                                      vyrtest::kNull, "PED1"}),
            rows[0]);
}

TEST(StoreQueryPlans, SaleCheckCountsOnlyTodaysSales) {
  TempStore store;
  vyrtest::InsertPendingOrder(store, vyrtest::PendingOrder{});
  vyrtest::InsertSale(store, "0001", "001", "0000000001", "01", "0000000001", vyrtest::DayText(-1));
  EXPECT_TRUE(store.Query(kVendaSqlite, {"0001", "01", "0000000001"}).empty());

  vyrtest::InsertSale(store, "0001", "001", "0000000002", "01", "0000000001", vyrtest::TodayText());
  EXPECT_EQ((vyrtest::Rows{{"0000000002"}}),
            store.Query(kVendaSqlite, {"0001", "01", "0000000001"}));
}

}  // namespace
