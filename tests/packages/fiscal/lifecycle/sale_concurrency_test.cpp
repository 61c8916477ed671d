// Two registers recording the same bills at the same moment, each in its own process with its own
// connection to the store: every bill ends up as one sale, and both registers answer its number.

#include "packages/fiscal/sale_fixture.h"
#include "support/process_race.h"

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
};

TEST_F(SaleConcurrencyTest, TwoProcessesRecordingTheSameBillsMakeOneSaleEach) {
  // Each child records every bill and answers the sale numbers, one per line.
  const std::vector<vyrtest::ChildResult> children = vyrtest::RunInProcesses(2, [this] {
    std::string answers;
    for (int i = 1; i <= kBills; ++i) {
      bill_ = Bill(i);
      answers += Record() + "\n";
    }
    return answers;
  });
  std::string answers;
  for (const vyrtest::ChildResult& child : children) answers += child.output + "--\n";
  const std::string exits = vyrtest::Exits(children);
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
