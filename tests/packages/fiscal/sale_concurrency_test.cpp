// Two registers recording the same bills at the same moment, each in its own process with its own
// connection to the store: every bill ends up as one sale, and both registers answer its number.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "sale_fixture.h"

namespace {

const int kBills = 3;

class SaleConcurrencyTest : public salefixture::SaleStoreTest {
 protected:
  void SetUp() override {
    SaleStoreTest::SetUp();
    for (int i = 1; i <= kBills; ++i) vyrtest::InsertDeliveryBill(store_, Bill(i));
    // A store in use has had its session set up (WAL) long before two registers meet on a bill.
    Search(bill_.nrcomanda);
    VyrFiscal::ConexaoFiscal().Close();
  }

  vyrtest::DeliveryBill Bill(int i) {
    vyrtest::DeliveryBill bill = bill_;
    bill.nrvendarest = "000000000" + std::to_string(i);
    bill.nrcomanda = "000" + std::to_string(i);
    bill.dscomanda = "DLV_" + bill.nrcomanda;
    return bill;
  }

  // In the child: waits for the start signal on `start`, records every bill and writes the
  // answers, one per line, to `out`.
  [[noreturn]] void RecordInChild(int start, int out) {
    int status = 0;
    char go;
    if (read(start, &go, 1) != 1) status = 3;
    std::string answers;
    try {
      for (int i = 1; i <= kBills && status == 0; ++i) {
        bill_ = Bill(i);
        answers += Record() + "\n";
      }
    } catch (const std::exception& e) {
      std::fprintf(stderr, "child: %s\n", e.what());
      status = 2;
    }
    if (write(out, answers.data(), answers.size()) != static_cast<ssize_t>(answers.size())) {
      status = 4;
    }
    _exit(status);
  }
};

std::string ReadAll(int fd) {
  std::string text;
  char buffer[1024];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, n);
  close(fd);
  return text;
}

TEST_F(SaleConcurrencyTest, TwoProcessesRecordingTheSameBillsMakeOneSaleEach) {
  int start[2];
  ASSERT_EQ(0, pipe(start));
  std::vector<pid_t> children;
  std::vector<int> outputs;
  for (int c = 0; c < 2; ++c) {
    int out[2];
    ASSERT_EQ(0, pipe(out));
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(start[1]);
      close(out[0]);
      RecordInChild(start[0], out[1]);
    }
    close(out[1]);
    children.push_back(pid);
    outputs.push_back(out[0]);
  }
  close(start[0]);
  ASSERT_EQ(2, write(start[1], "GG", 2));
  close(start[1]);

  std::string answers;
  for (int fd : outputs) answers += ReadAll(fd) + "--\n";
  std::string exits;
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    exits += WIFEXITED(status) ? std::to_string(WEXITSTATUS(status)) : "signal";
  }
  // Each process answers every bill with the sale that one of them recorded.
  const std::string sales = salefixture::Render(
      store_.Query("SELECT NRCOMANDAVND, COUNT(*), COUNT(DISTINCT NRSEQVENDA) FROM VENDA "
                   "WHERE IDSITUVENDA <> 'C' GROUP BY NRCOMANDAVND ORDER BY NRCOMANDAVND"));
  const std::string recorded =
      salefixture::Render(store_.Query("SELECT NRSEQVENDA FROM VENDA ORDER BY NRCOMANDAVND"));
  EXPECT_EQ("exits 00\n0001|1|1\n0002|1|1\n0003|1|1\n" + recorded + "--\n" + recorded + "--\n",
            "exits " + exits + "\n" + sales + answers);
}

}  // namespace
