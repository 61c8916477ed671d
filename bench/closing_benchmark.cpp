// Cost of the scan: a pass that finds no pending order, and a pass that closes 100 orders on a
// register with neither NFC-e nor SAT, with the fiscal-device package recording each sale.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "datamodule/rdm_imp_exp_kds.h"
#include "external/fiscal_device.h"
#include "fiscal/fiscal_store.h"
#include "rtl/program_dir.h"
#include "support/fiscal_builders.h"
#include "support/store_builders.h"
#include "support/temp_store.h"

namespace {

constexpr const char* kFilial = "0001";
constexpr const char* kLoja = "01";
constexpr const char* kCaixa = "001";
constexpr int kOrders = 100;

std::string OrderNumber(int n) {
  const std::string digits = std::to_string(n);
  return std::string(10 - digits.size(), '0') + digits;
}

class Store {
 public:
  Store() {
    unsetenv("VYR_CONEXAO");
    rtl::SetProgramDirectory(store.Dir());
    vyrtest::InsertBranchStoreRegister(store, kFilial, kLoja, kCaixa);
    vyrtest::InsertFiscalBranch(store, kFilial);
    vyrtest::InsertFiscalProduct(store, kFilial, {});
    VyrFiscal::ConexaoFiscal().Close();
    dm = std::make_unique<Cli_Qam00417::TrdmImpExpKds>();
    dm->cdsConfTipoReceRev.CreateDataSet();
    dm->cdsConfTipoReceRev.Append();
    dm->cdsConfTipoReceRev.FieldByName("CDTIPORECE").SetAsString("001");
    dm->cdsConfTipoReceRev.Post();
  }
  ~Store() {
    dm.reset();
    VyrFiscal::ConexaoFiscal().Close();
    rtl::SetProgramDirectory("");
  }

  // 100 bills of one item of 10.00, paid in cash.
  void AddPendingOrders() {
    store.Exec("BEGIN");
    for (int n = 1; n <= kOrders; ++n) {
      vyrtest::DeliveryBill bill;
      bill.nrvendarest = OrderNumber(n);
      bill.nrcomanda = OrderNumber(n);
      bill.dscomanda = "DLV_" + bill.nrcomanda;
      bill.nrcomandaext = "PED" + std::to_string(n);
      vyrtest::InsertDeliveryBill(store, bill);
      vyrtest::InsertDeliveryPayments(store, bill, {vyrtest::BillPayment{}});
    }
    store.Exec("COMMIT");
  }

  void Pass() { dm->VerificaPedidosExpKDS(kFilial, kCaixa, kLoja); }

  vyrtest::TempStore store;
  std::unique_ptr<Cli_Qam00417::TrdmImpExpKds> dm;
};

void BM_IdlePass(benchmark::State& state) {
  Store store;
  store.Pass();  // connects and prepares
  for (auto _ : state) store.Pass();
}
BENCHMARK(BM_IdlePass)->Unit(benchmark::kMicrosecond);

void BM_Close100Orders(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto store = std::make_unique<Store>();
    store->AddPendingOrders();
    state.ResumeTiming();
    store->Pass();
    state.PauseTiming();
    if (store->store.Count("COMANDAVEN", "IDIMPCUPEXP = '3'") != kOrders) {
      state.SkipWithError("not every order was closed");
    }
    store.reset();
    state.ResumeTiming();
  }
  state.counters["orders"] = kOrders;
}
BENCHMARK(BM_Close100Orders)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
