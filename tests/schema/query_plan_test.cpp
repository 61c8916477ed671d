// The statements of every scan pass, the pending-order list and the sale check, must cost the same
// in a store full of history as in an empty one: each table is reached by equality on a key or an
// index, never by a range over the branch. Checked on an empty store and after a load of closed
// bills and old sales with fresh planner statistics.

#include <gtest/gtest.h>

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
    if (detail.rfind("SEARCH " + alias + " ", 0) == 0 || detail.rfind("SCAN " + alias, 0) == 0) {
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
