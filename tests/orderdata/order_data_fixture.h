#pragma once
// A fresh store and a data module connected to it, once directly on SQLite and once through the
// SQLite3 ODBC driver: every operation test runs on both links.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "datamodule/rdm_imp_exp_kds.h"
#include "support/store_builders.h"
#include "support/temp_store.h"

namespace orderdata_test {

enum class Link { kSqlite, kOdbc };

std::string LinkName(const ::testing::TestParamInfo<Link>& info);

class OrderDataTest : public ::testing::TestWithParam<Link> {
 protected:
  void SetUp() override;
  void TearDown() override;

  Cli_Qam00417::TrdmImpExpKds& dm() { return *dm_; }

  vyrtest::TempStore store_;
  std::unique_ptr<Cli_Qam00417::TrdmImpExpKds> dm_;
};

// The packet's rows restricted to `columns`, one "a|b" per row, rows joined by ";"; NULL shows
// as "NULL". Fails the test (and gives "") when `result` is not a packet.
std::string Rows(const rtl::Variant& result, const std::vector<std::string>& columns);
// As Rows, with the rows sorted, for statements without an ordering.
std::string SortedRows(const rtl::Variant& result, const std::vector<std::string>& columns);
// Every working row of delivery orders, table by table, sorted: "MOV[order/seq ...]
// EST[order/bill/item ...] VEN[...] CMD[order/bill ...] VR[order ...]".
std::string WorkingRows(const vyrtest::TempStore& store);
// Inserts order `nrvendarest` with bills, two items per bill in both item tables, and two
// payment rows.
void InsertWorkingOrder(const vyrtest::TempStore& store, const std::string& nrvendarest,
                        const std::vector<std::string>& bills);
// The packet's column names, joined by ",".
std::string Columns(const rtl::Variant& result);

}  // namespace orderdata_test

#define ORDERDATA_INSTANTIATE(Suite)                                                               \
  INSTANTIATE_TEST_SUITE_P(                                                                        \
      Links, Suite, ::testing::Values(orderdata_test::Link::kSqlite, orderdata_test::Link::kOdbc), \
      orderdata_test::LinkName)
