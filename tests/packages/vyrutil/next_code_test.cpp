// The next-code service against a real store: numbers per branch and register, the caller's
// transaction, the sale's draw, and two processes drawing from one store file at the same time.

#include "vyrutil/next_code.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "db/connection.h"
#include "rtl/errors.h"
#include "support/process_race.h"
#include "support/temp_store.h"
#include "vyrutil/connection_setup.h"

namespace {

using vyrtest::TempStore;
using VyrUtil::TdtmVyrProxCodigo;

class NextCodeTest : public ::testing::TestWithParam<bool> {
 protected:
  NextCodeTest() {
    connection_.ConnectionString =
        GetParam() ? store_.OdbcConnectionString() : store_.SqliteConnectionString();
    connection_.AfterConnect = [](ado::TADOConnection& c) { VyrUtil::SetADODBSession(c); };
  }
  std::string Draw(const std::string& branch, const std::string& reg) {
    TdtmVyrProxCodigo service(connection_);
    return service.PrxPedidoVenda(branch, reg, 1, "");
  }

  TempStore store_;
  ado::TADOConnection connection_;
};

TEST_P(NextCodeTest, CountsPerBranchAndRegisterAsTenDigitTexts) {
  EXPECT_EQ("0000000001", Draw("0001", "001"));
  EXPECT_EQ("0000000002", Draw("0001", "001"));
  EXPECT_EQ("0000000001", Draw("0001", "002"));
  EXPECT_EQ("0000000001", Draw("0002", "001"));
  EXPECT_EQ("0000000003", Draw("0001", "001"));
  EXPECT_EQ("3", store_.Scalar("SELECT NRULTSEQVENDA FROM PROXCODIGO WHERE CDFILIAL = '0001' "
                               "AND CDCAIXA = '001'"));
}

TEST_P(NextCodeTest, ContinuesFromTheStoredCounterAndAdvancesByTheStep) {
  store_.Exec(
      "INSERT INTO PROXCODIGO (CDFILIAL, CDCAIXA, NRULTSEQVENDA) VALUES "
      "('0001', '001', 41)");
  EXPECT_EQ("0000000042", Draw("0001", "001"));
  TdtmVyrProxCodigo service(connection_);
  EXPECT_EQ("0000000045", service.PrxPedidoVenda("0001", "001", 3, ""));
  EXPECT_THROW(service.PrxPedidoVenda("0001", "001", 0, ""), rtl::Exception);
  EXPECT_EQ("0000000046", Draw("0001", "001"));
}

TEST_P(NextCodeTest, AcceptsAnEmptyBranchCode) {
  EXPECT_EQ("0000000001", Draw("", "001"));
  EXPECT_EQ(1, store_.Count("PROXCODIGO", "CDFILIAL = ''"));
}

TEST_P(NextCodeTest, ANumberDrawnInARolledBackTransactionIsNotTaken) {
  connection_.BeginTrans();
  EXPECT_EQ("0000000001", Draw("0001", "001"));
  connection_.RollbackTrans();
  connection_.BeginTrans();
  EXPECT_EQ("0000000001", Draw("0001", "001"));
  EXPECT_TRUE(connection_.InTransaction());  // the service leaves the caller's transaction open
  connection_.CommitTrans();
  EXPECT_EQ("0000000002", Draw("0001", "001"));
}

TEST_P(NextCodeTest, WithoutACallerTransactionTheNumberIsCommittedAtOnce) {
  EXPECT_EQ("0000000001", Draw("0001", "001"));
  EXPECT_FALSE(connection_.InTransaction());
  // Read by another connection: the counter is on disk.
  EXPECT_EQ("1", store_.Scalar("SELECT NRULTSEQVENDA FROM PROXCODIGO"));
}

// A sale's number is taken before its rows: the draw commits, also a transaction it joined.
TEST_P(NextCodeTest, ASaleDrawCommitsItsNumberAlsoInATransactionTheCallerHeldOpen) {
  connection_.BeginTrans();
  const std::string number = VyrUtil::SorteiaNrSeqVenda(connection_, "0001", "001");
  EXPECT_EQ("0000000001 open: 0 stored: 1",
            number + " open: " + std::to_string(connection_.InTransaction()) +
                " stored: " + store_.Scalar("SELECT NRULTSEQVENDA FROM PROXCODIGO"));
}

INSTANTIATE_TEST_SUITE_P(SqliteAndOdbc, NextCodeTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Odbc" : "Sqlite"; });

TEST(NextCodeProcesses, TwoProcessesDrawingAtOnceNeverGetTheSameNumber) {
  TempStore store;
  constexpr int kPerChild = 200;
  // Each child draws through its own connection, as the sale recordings do.
  const std::vector<vyrtest::ChildResult> children = vyrtest::RunInProcesses(2, [&store] {
    ado::TADOConnection connection;
    connection.ConnectionString = store.SqliteConnectionString();
    connection.AfterConnect = [](ado::TADOConnection& c) { VyrUtil::SetADODBSession(c); };
    std::string out;
    for (int i = 0; i < kPerChild; ++i) {
      out += VyrUtil::SorteiaNrSeqVenda(connection, "0001", "001") + "\n";
    }
    return out;
  });
  EXPECT_EQ("00", vyrtest::Exits(children));
  std::vector<std::string> numbers;
  for (const vyrtest::ChildResult& child : children) {
    const std::string& text = child.output;
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
      numbers.push_back(text.substr(start, end - start));
    }
  }
  ASSERT_EQ(2u * kPerChild, numbers.size());
  std::sort(numbers.begin(), numbers.end());
  for (int i = 0; i < 2 * kPerChild; ++i) {
    char expected[16];
    std::snprintf(expected, sizeof expected, "%010d", i + 1);
    ASSERT_EQ(expected, numbers[i]) << "numbers must be distinct and without gaps";
  }
}

}  // namespace
