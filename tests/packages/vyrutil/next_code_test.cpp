// The next-code service against a real store: numbers per branch and register, the caller's
// transaction, and two processes drawing from one store file at the same time.

#include "vyrutil/next_code.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "db/connection.h"
#include "rtl/errors.h"
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

INSTANTIATE_TEST_SUITE_P(SqliteAndOdbc, NextCodeTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Odbc" : "Sqlite"; });

// A child process: draws `count` numbers through its own connection, each in a transaction of
// its own as the sale recording does, and writes them to `fd`. Exits 0 on success.
[[noreturn]] void DrawInChild(const std::string& connection_string, int count, int fd) {
  int status = 0;
  try {
    ado::TADOConnection connection;
    connection.ConnectionString = connection_string;
    connection.AfterConnect = [](ado::TADOConnection& c) { VyrUtil::SetADODBSession(c); };
    std::string out;
    for (int i = 0; i < count; ++i) {
      connection.BeginTrans();
      TdtmVyrProxCodigo service(connection);
      out += service.PrxPedidoVenda("0001", "001", 1, "") + "\n";
      connection.CommitTrans();
    }
    if (write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size())) status = 3;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "child: %s\n", e.what());
    status = 2;
  }
  close(fd);
  _exit(status);
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, n);
  close(fd);
  return text;
}

TEST(NextCodeProcesses, TwoProcessesDrawingAtOnceNeverGetTheSameNumber) {
  TempStore store;
  const int kPerChild = 200;
  std::vector<pid_t> children;
  std::vector<int> pipes;
  for (int c = 0; c < 2; ++c) {
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[0]);
      DrawInChild(store.SqliteConnectionString(), kPerChild, fds[1]);
    }
    close(fds[1]);
    children.push_back(pid);
    pipes.push_back(fds[0]);
  }
  std::vector<std::string> numbers;
  for (int fd : pipes) {
    const std::string text = ReadAll(fd);
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
      numbers.push_back(text.substr(start, end - start));
    }
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
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
