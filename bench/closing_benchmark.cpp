// Cost of the scan: a pass that finds no pending order, and a pass that closes 100 orders on a
// register with neither NFC-e nor SAT. The fiscal-device package is replaced by a stand-in that
// answers at once, so the figures are the module's own work and the store's.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <memory>
#include <string>

#include "datamodule/rdm_imp_exp_kds.h"
#include "external/fiscal_device.h"
#include "fiscal/sale_rows.h"
#include "rtl/program_dir.h"
#include "support/package_fakes.h"
#include "support/store_builders.h"
#include "support/temp_store.h"

namespace {

using rtl::Variant;

constexpr const char* kFilial = "0001";
constexpr const char* kLoja = "01";
constexpr const char* kCaixa = "001";
constexpr int kOrders = 100;

std::string OrderNumber(int n) {
  const std::string digits = std::to_string(n);
  return std::string(10 - digits.size(), '0') + digits;
}

// One sale row of 10.00 for the bill the closing asks for.
Variant SaleRows(const std::string& NRCOMANDA) {
  std::vector<rtl::FieldDef> fields = VyrFiscal::SaleRowFields();
  for (const char* name : {"CDSENHAPED", "CDFAMILISALD", "NRCOMANDA", "DSCOMANDA", "NRVENDAREST"}) {
    fields.push_back(rtl::TextField(name, 20));
  }
  fields.push_back(rtl::FloatField("VRDESCCOMVEN"));
  fields.push_back(rtl::FloatField("VRACRCOMVEN"));
  rtl::Row row(fields.size(), Variant::Null());
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::string& name = fields[i].name;
    if (name == "QTPRODCOMVEN") row[i] = "1";
    if (name == "VRPRECCOMVEN") row[i] = 10.0;
    if (name == "VRDESCCOMVEN" || name == "VRACRCOMVEN") row[i] = 0.0;
    if (name == "NRCOMANDA") row[i] = NRCOMANDA;
  }
  return Variant(rtl::DataPacket(fields, {row}));
}

class Store {
 public:
  Store() {
    unsetenv("VYR_CONEXAO");
    rtl::SetProgramDirectory(store.Dir());
    vyrtest::InsertBranchStoreRegister(store, kFilial, kLoja, kCaixa);
    dm = std::make_unique<Cli_Qam00417::TrdmImpExpKds>();
    dm->cdsConfTipoReceRev.CreateDataSet();
    dm->cdsConfTipoReceRev.Append();
    dm->cdsConfTipoReceRev.FieldByName("CDTIPORECE").SetAsString("001");
    dm->cdsConfTipoReceRev.Post();
  }
  ~Store() {
    dm.reset();
    rtl::SetProgramDirectory("");
  }

  void AddPendingOrders() {
    store.Exec("BEGIN");
    for (int n = 1; n <= kOrders; ++n) {
      vyrtest::PendingOrder order;
      order.nrvendarest = OrderNumber(n);
      order.nrcomanda = OrderNumber(n);
      order.nrpedidovyr = "PED" + std::to_string(n);
      vyrtest::InsertPendingOrder(store, order);
      store.Exec(
          "INSERT INTO MOVCAIXADLV (CDFILIAL, NRVENDAREST, NRSEQMOVDLV, IDTIPOMOVIVEDLV, "
          "CDTIPORECE, VRMOVIVENDDLV) VALUES (?, ?, '01', 'E', '001', 10)",
          {kFilial, order.nrvendarest});
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
  vyrtest::ScopedOverride busca(VyrFiscal::BuscaVenda, [](const Variant& lista, Variant& r) {
    r[0] = SaleRows(lista[1].AsString());
    r[1] = Variant(rtl::DataPacket(VyrFiscal::CancelledItemFields(), {}));
    return Variant();
  });
  int sale = 0;
  vyrtest::ScopedOverride conclui(VyrFiscal::SetConcluiFechamento,
                                  [&sale](const std::vector<rtl::TClientDataSet*>&, const Variant&,
                                          Variant&) { return Variant(OrderNumber(++sale)); });
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
