// The statements of every scan pass, the pending-order list and the sale check, and the closing's
// lookups of its own bill must cost the same in a store full of history as in an empty one: each
// table is reached by equality on a key or an index, never by a range over the branch. Checked on
// an empty store and after a load of closed bills and old sales with fresh planner statistics.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

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
// and the items and notes of every bill number contained in the bill list.
const char* const kPedidosWhole =
    "SELECT CO.IDSTCOMANDA, CO.NRVENDAREST, VE.DTHRABERMESA, CS.CDCONSUMIDOR, CS.NMCONSUMIDOR, "
    "CS.NRTELECONS, CO.NRCOMANDA, CO.DSCOMANDA, VE.CDCLIENTE, CS.NRCPFRESPCON,CO.CDMUNICIPIO, "
    "CO.CDPAIS, CO.SGESTADO, CO.CDBAIRRO, CO.DSBAIRRO, CO.DSENDECONSCOMAN, "
    "CO.DSCOMPLENDCOCOM,CO.NRCEPCONSCOMAND, CAST(CO.DSREFENDCONSCOM AS VARCHAR(2000)) AS "
    "DSREFENDCONSCOM, CO.DTENTREGA, VE.NRVENDARESTAUX, CO.IDORGCMDVENDA, VE.CDNSUESITEF, "
    "CO.IDRETBALLOJA FROM COMANDAVEN CO, VENDAREST VE LEFT JOIN CONSUMIDOR CS ON (VE.CDCLIENTE = "
    "CS.CDCLIENTE) AND (VE.CDCONSUMIDOR = CS.CDCONSUMIDOR) WHERE (CO.NRVENDAREST = "
    "VE.NRVENDAREST) AND(CO.CDFILIAL = VE.CDFILIAL) AND(VE.CDFILIAL = :P_CDFILIAL) "
    "AND(CO.CDLOJA = :P_CDLOJA) AND(CO.IDSTCOMANDA NOT IN ('5')) AND(SUBSTRING(CO.DSCOMANDA,1,4) "
    "= 'DLV_') ORDER BY CO.NRCOMANDA DESC";
const char* const kItComandaEstWhole =
    "SELECT IE.CDFILIAL,IE.CDPRODUTO, IE.QTPROCOMEST, IE.NRPRODCOMVEN, IE.VRPRECCOMEST, "
    "IE.NRCOMANDA, IE.VRDESITCOMEST, substr(IE.DSOBSPEDDIGEST,1,30) AS DSOBSPEDDIGEST FROM "
    "ITCOMANDAEST IE WHERE (IE.CDFILIAL = :P_CDFILIAL) AND IE.NRCOMANDA <> '' AND "
    "instr(:P_NRCOMANDA,IE.NRCOMANDA) > 0 UNION SELECT IE.CDFILIAL,IE.CDPRODUTO, IE.QTPROCOMEST, "
    "IT.NRPRODCOMVEN, IE.VRPRECCOMEST, IE.NRCOMANDA, IE.VRDESITCOMEST, "
    "substr(IE.DSOBSPEDDIGEST,1,30) AS DSOBSPEDDIGEST FROM ITCOMANDAEST IE, ITCOMANDAVEN IT WHERE "
    "(IE.CDFILIAL = :P_CDFILIAL) AND IE.NRCOMANDA <> '' AND (instr(:P_NRCOMANDAAGRUP,IE.NRCOMANDA) "
    "> 0) AND IE.CDFILIAL = IT.CDFILIAL AND IE.NRCOMANDA = IT.NRCOMANDAORI AND IE.NRPRODCOMVEN = "
    "IT.NRPRODCOMORI ORDER BY NRPRODCOMVEN";
const char* const kObsItensEstWhole =
    "SELECT I.NRPRODCOMVEN AS NRSEQ, I.CDPRODUTO, O.CDGRPOCOR, O.CDOCORR, I.NRCOMANDA FROM "
    "ITCOMANDAEST I, OBSITCOMANDAEST O WHERE (I.CDFILIAL = :P_CDFILIAL ) AND (I.CDFILIAL = "
    "O.CDFILIAL ) AND (I.NRVENDAREST = O.NRVENDAREST ) AND (I.NRCOMANDA = O.NRCOMANDA ) AND "
    "(I.NRPRODCOMVEN = O.NRPRODCOMVEN) AND (I.CDPRODUTO = O.CDPRODUTO ) AND I.NRCOMANDA <> '' AND "
    "(instr(:P_NRCOMANDA, I.NRCOMANDA) <> 0)";
const char* const kObsItensWhole =
    "SELECT I.NRPRODCOMVEN AS NRSEQ, I.CDPRODUTO, O.CDGRPOCOR, O.CDOCORR, I.NRCOMANDA FROM "
    "ITCOMANDAVEN I, OBSITCOMANDAVEN O WHERE (I.CDFILIAL = :P_CDFILIAL ) AND (I.CDFILIAL = "
    "O.CDFILIAL ) AND (I.NRVENDAREST = O.NRVENDAREST ) AND (I.NRCOMANDA = O.NRCOMANDA ) AND "
    "(I.NRPRODCOMVEN = O.NRPRODCOMVEN) AND I.NRCOMANDA <> '' AND (instr(:P_NRCOMANDA, "
    "I.NRCOMANDA) <> 0)";

void ExpectClosingLookupPlans(const TempStore& store) {
  ExpectPlan(store, kPedidos, {"0001", "01", "000000001"},
             {{"CO", "IX_COMANDAVEN_COMANDALOJA (CDFILIAL=? AND NRCOMANDA=? AND CDLOJA=?)"},
              {"VE", "(CDFILIAL=? AND NRVENDAREST=?)"}});
  ExpectPlan(store, kItComandaEst, {"0001", "000000001", "000000002"},
             {{"IE", "IX_ITCOMANDAEST_COMANDA (CDFILIAL=? AND NRCOMANDA=?)"}});
  ExpectPlan(store, kObsItensEst, {"0001", "000000001"},
             {{"I", "IX_ITCOMANDAEST_COMANDA (CDFILIAL=? AND NRCOMANDA=?)"}});
  ExpectPlan(store, kObsItens, {"0001", "000000001"},
             {{"I", "IX_ITCOMANDAVEN_COMANDA (CDFILIAL=? AND NRCOMANDA=?)"}});
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
      "INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, CDLOJA, NRVENDAREST, DTENTRVENDA) "
      "SELECT CDFILIAL, '001', substr(NRVENDAREST, 2), CDLOJA, NRVENDAREST, "
      "'2020-01-01 00:00:00' FROM VENDAREST");
  store.Exec("COMMIT");
  store.Exec("ANALYZE");
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

// Among history, with bill numbers contained in one another ("1" in "12" in "123"), a bill
// grouped into another, a bill with status 5 and one of another store, each lookup gives for a
// bill exactly what the whole-history statement gives for it.
TEST(StoreQueryPlans, ClosingLookupsOfOneBillGiveWhatTheWholeHistoryGivesForIt) {
  TempStore store;
  LoadHistory(store, 300);
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
  store.Exec("UPDATE COMANDAVEN SET CDLOJA = '02' WHERE NRCOMANDA = '3'");
  // Item 003 of bill 12 is item 001 of bill 3, grouped into it.
  store.Exec(
      "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
      "NRCOMANDAORI, NRPRODCOMORI) VALUES ('0001', '0000000002', '12', '003', 'P3', '3', '001')");
  store.Exec(
      "INSERT INTO ITCOMANDAEST (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
      "QTPROCOMEST, VRPRECCOMEST, DSOBSPEDDIGEST) SELECT CDFILIAL, NRVENDAREST, NRCOMANDA, "
      "NRPRODCOMVEN, CDPRODUTO, 1, 10, 'nota ' || NRCOMANDA FROM ITCOMANDAVEN "
      "WHERE NRCOMANDAORI IS NULL");
  store.Exec(
      "INSERT INTO OBSITCOMANDAEST (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
      "CDGRPOCOR, CDOCORR) SELECT CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
      "'G1', 'O1' FROM ITCOMANDAEST");
  store.Exec(
      "INSERT INTO OBSITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDGRPOCOR, "
      "CDOCORR) SELECT CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, 'G2', 'O2' FROM "
      "ITCOMANDAVEN");
  store.Exec("ANALYZE");

  std::string whole, bounded;
  for (const std::string bill :
       {"1", "12", "123", "3", "23", "0001", "000000001", "000000002", "9", ""}) {
    vyrtest::Rows open;
    for (const auto& row : store.Query(kPedidosWhole, {"0001", "01"})) {
      if (row[6] == bill) open.push_back(row);
    }
    const std::string grouped = bill == "12" ? "3" : "";
    whole += bill + ": " + Render(open, false) +
             Render(store.Query(kItComandaEstWhole, {"0001", bill, grouped}), true) +
             Render(store.Query(kObsItensEstWhole, {"0001", bill}), true) +
             Render(store.Query(kObsItensWhole, {"0001", bill}), true) + "\n";
    bounded += bill + ": " + Render(store.Query(kPedidos, {"0001", "01", bill}), false) +
               Render(store.Query(kItComandaEst, {"0001", bill, grouped}), true) +
               Render(store.Query(kObsItensEst, {"0001", bill}), true) +
               Render(store.Query(kObsItens, {"0001", bill}), true) + "\n";
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
