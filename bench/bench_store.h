#pragma once
// What the closing benchmarks share: a store made as the tests make theirs, with one register
// whose fiscal-device package records each sale, pending delivery orders of 3 items and 2
// payments, and a history of closed bills written in one transaction with prepared inserts.

#include <sqlite3.h>
#include <stdlib.h>
#include <time.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "datamodule/rdm_imp_exp_kds.h"
#include "external/fiscal_device.h"
#include "fiscal/fiscal_store.h"
#include "rtl/program_dir.h"
#include "support/fiscal_builders.h"
#include "support/store_builders.h"
#include "support/temp_store.h"

namespace bench {

inline constexpr const char* kFilial = "0001";
inline constexpr const char* kLoja = "01";
inline constexpr const char* kCaixa = "001";

// A bill or order number of 10 digits.
inline std::string Number(long long n) {
  const std::string digits = std::to_string(n);
  return std::string(digits.size() < 10 ? 10 - digits.size() : 0, '0') + digits;
}

inline double Seconds() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

// The CPU time of the process so far, in seconds (the closing runs in the process's thread).
inline double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The process's resident set and its peak so far, in kB (/proc/self/status).
inline long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.compare(0, prefix.size(), prefix) == 0) return std::atol(line.c_str() + prefix.size());
  }
  return -1;
}

// One prepared insert, run once per row inside the caller's transaction.
class Insert {
 public:
  Insert(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
      throw std::runtime_error(std::string(sqlite3_errmsg(db)) + ": " + sql);
    }
  }
  ~Insert() { sqlite3_finalize(stmt_); }
  Insert& Text(int index, const std::string& value) {
    sqlite3_bind_text(stmt_, index, value.c_str(), static_cast<int>(value.size()),
                      SQLITE_TRANSIENT);
    return *this;
  }
  Insert& Real(int index, double value) {
    sqlite3_bind_double(stmt_, index, value);
    return *this;
  }
  void Run() {
    if (sqlite3_step(stmt_) != SQLITE_DONE) {
      throw std::runtime_error(std::string(sqlite3_errmsg(sqlite3_db_handle(stmt_))) + ": " +
                               sqlite3_sql(stmt_));
    }
    sqlite3_reset(stmt_);
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// The bill number of closed bill `n`: numbers cycle through 999 values, as a store's do. Shared
// with the pending orders (their numbers are 10 digits below 1000), each pending bill meets the
// closed bills that had its number before; apart, they are "7001" to "7999", which no pending
// order's number contains.
inline std::string HistoryBillNumber(long long n, bool shared) {
  return shared ? Number(1 + (n - 1) % 999) : std::to_string(7001 + (n - 1) % 999);
}

// Closed bills as the closing leaves them: the bill marked 'P' and off the queue, its order,
// items (both item tables, a note each), payments, and the recorded sale with its lines, cash
// movements, its authorised NFC-e and its printed receipt, entered on a past day. Order and sale
// numbers start at 9000000001, clear of the pending orders'; bill numbers recycle
// (HistoryBillNumber, `shared` with the pending orders or not). `full` false keeps only what the
// scan reads (the order, the bill, one item) and the sale.
inline void AddHistory(const vyrtest::TempStore& store, long long bills, bool full = true,
                       bool shared = false) {
  sqlite3* db = store.Handle();
  store.Exec("BEGIN");
  Insert vendarest(
      db,
      "INSERT INTO VENDAREST (CDFILIAL, NRVENDAREST, CDLOJA, DTHRABERMESA, CDCLIENTE, "
      "CDCONSUMIDOR) VALUES ('0001', ?1, '01', '2025-01-01 12:00:00', 'CLI1', 'CONS1')");
  Insert comandaven(
      db,
      "INSERT INTO COMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, CDLOJA, DSCOMANDA, IDSTCOMANDA, "
      "NRCOMANDAEXT, IDIMPCUPEXP, IDRETBALLOJA, DSENDECONSCOMAN, DSREFENDCONSCOM) VALUES ('0001', "
      "?1, ?3, '01', 'DLV_' || ?3, 'P', 'H' || ?1, '3', 'N', 'AV PAULISTA 1000', 'PERTO DO "
      "METRO')");
  Insert itcomandaven(
      db,
      "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, "
      "CDPRODUTO, QTPRODCOMVEN, VRPRECCOMVEN, VRDESCCOMVEN, VRACRCOMVEN, "
      "IDSTPROCOMVEN, NRPEDIDOVYR) VALUES ('0001', ?1, ?3, ?2, '1001', 1, 10, 0, 0, "
      "'A', 'H' || ?1)");
  Insert obsitcomandaven(db,
                         "INSERT INTO OBSITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, "
                         "NRPRODCOMVEN, CDGRPOCOR, CDOCORR) VALUES ('0001', ?1, ?3, '001', 'G1', "
                         "'O1')");
  Insert itcomandaest(
      db,
      "INSERT INTO ITCOMANDAEST (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, "
      "CDPRODUTO, QTPROCOMEST, VRPRECCOMEST, VRDESITCOMEST) VALUES ('0001', ?1, ?3, "
      "?2, '1001', 1, 10, 0)");
  Insert obsitcomandaest(db,
                         "INSERT INTO OBSITCOMANDAEST (CDFILIAL, NRVENDAREST, NRCOMANDA, "
                         "NRPRODCOMVEN, CDPRODUTO, CDGRPOCOR, CDOCORR) VALUES ('0001', ?1, ?3, "
                         "'001', '1001', 'G1', 'O1')");
  Insert movcaixadlv(
      db,
      "INSERT INTO MOVCAIXADLV (CDFILIAL, NRVENDAREST, NRSEQMOVDLV, IDTIPOMOVIVEDLV, "
      "CDCLIENTE, CDCONSUMIDOR, CDTIPORECE, VRMOVIVENDDLV) VALUES ('0001', ?1, ?2, "
      "'E', 'CLI1', 'CONS1', '001', 15)");
  Insert venda(db,
               "INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, CDCLIENTE, CDLOJA, DTVENDA, "
               "DTENTRVENDA, IDSITUVENDA, NRCOMANDAVND, DSCOMANDAVND, NRVENDAREST, IDTIPOEMISSAO) "
               "VALUES ('0001', '001', ?1, 'CLI1', '01', '2025-01-01 12:30:00', "
               "'2025-01-01 00:00:00', 'A', ?3, 'DLV_' || ?3, ?1, 'N')");
  Insert nfcevenda(
      db,
      "INSERT INTO NFCEVENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, CDCHAVENFCE, NRNFCE, NRSERIENFCE, "
      "IDTPEMISNFCE, IDAMBNFCE, IDSITUNFCE, NRPROTNFCE, QTTENTENVNFCE, DTHREMISNFCE) VALUES "
      "('0001', '001', ?1, '3525011234567800019065001' || ?1, substr(?1, 2), "
      "'1', '1', '2', 'authorised', '135250000000001', 1, '2025-01-01 12:30:00')");
  Insert vendacupom(db,
                    "INSERT INTO VENDACUPOM (CDFILIAL, CDCAIXA, NRSEQVENDA, IDSITUCUPOM, "
                    "QTTENTCUPOM, QTREIMPCUPOM, DTHRSITUCUPOM) VALUES ('0001', '001', ?1, "
                    "'IMPRESSO', 1, 0, '2025-01-01 12:31:00')");
  Insert itemvenda(db,
                   "INSERT INTO ITEMVENDA (CDFILIAL, CDLOJA, CDCAIXA, NRSEQVENDA, NRSEQUITVEND, "
                   "QTPRODVEND, VRUNITVEND, CDPRODUTO) VALUES ('0001', '01', '001', ?1, ?2, 1, 10, "
                   "'1001')");
  Insert movcaixa(db,
                  "INSERT INTO MOVCAIXA (CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQUMOVI, IDTIPOMOVIVE, "
                  "CDTIPORECE, VRMOVIVEND) VALUES ('0001', '001', ?1, ?2, 'E', '001', 15)");
  for (long long n = 1; n <= bills; ++n) {
    const std::string nr = Number(9000000000LL + n);
    const std::string bill = HistoryBillNumber(n, shared);
    vendarest.Text(1, nr).Run();
    comandaven.Text(1, nr).Text(3, bill).Run();
    venda.Text(1, nr).Text(3, bill).Run();
    if (!full) {
      itcomandaven.Text(1, nr).Text(2, "001").Text(3, bill).Run();
      continue;
    }
    nfcevenda.Text(1, nr).Run();
    vendacupom.Text(1, nr).Run();
    obsitcomandaven.Text(1, nr).Text(3, bill).Run();
    obsitcomandaest.Text(1, nr).Text(3, bill).Run();
    for (const char* item : {"001", "002", "003"}) {
      itcomandaven.Text(1, nr).Text(2, item).Text(3, bill).Run();
      itcomandaest.Text(1, nr).Text(2, item).Text(3, bill).Run();
      itemvenda.Text(1, nr).Text(2, item).Run();
    }
    for (const char* seq : {"1", "2"}) {
      movcaixadlv.Text(1, nr).Text(2, seq).Run();
      movcaixa.Text(1, nr).Text(2, seq).Run();
    }
  }
  store.Exec("COMMIT");
}

// A store with one register (plain unless the caller makes it an NFC-e register), a fiscal
// product, the payment layout "001" cash, and a data module to run the scan with.
class Store {
 public:
  Store() {
    unsetenv("VYR_CONEXAO");
    rtl::SetProgramDirectory(store.Dir());
    vyrtest::InsertBranchStoreRegister(store, kFilial, kLoja, kCaixa);
    vyrtest::InsertFiscalBranch(store, kFilial);
    vyrtest::InsertFiscalProduct(store, kFilial, {});
    store.Exec(
        "INSERT INTO TURCAIXA (CDFILIAL, CDCAIXA, DTABERCAIX, CDOPERABER) VALUES (?, ?, ?, ?)",
        {kFilial, kCaixa, vyrtest::TodayText().substr(0, 10) + " 08:00:00", "CAIXA1"});
    VyrFiscal::ConexaoFiscal().Close();
    dm = std::make_unique<Cli_Qam00417::TrdmImpExpKds>();
    dm->cdEmpresa = "0001";
    dm->idTipoEmissao = "E";
    dm->idExtConsOnline = "N";
    dm->dtAberturaCaixa = rtl::Date() + 8.0 / 24;
    dm->dtMovimento = rtl::Date();
    rtl::TClientDataSet& layout = dm->cdsConfTipoReceRev;
    layout.CreateDataSet();
    layout.Append();
    layout.FieldByName("CDTIPORECE").SetAsString("001");
    layout.FieldByName("NMTIPORECE").SetAsString("DINHEIRO");
    layout.FieldByName("IDTIPORECE").SetAsString("1");
    layout.FieldByName("CDFPIMPFIS").SetAsString("01");
    layout.Post();
  }
  ~Store() {
    dm.reset();
    VyrFiscal::ConexaoFiscal().Close();
    rtl::SetProgramDirectory("");
  }

  // Orders first..first+count-1, each a bill of 3 items of 5.00 (both item tables) paid by two
  // cash payments of 10.00 and 5.00, waiting for automatic closing.
  void AddPendingOrders(long long first, long long count) {
    sqlite3* db = store.Handle();
    store.Exec("BEGIN");
    Insert itcomandaest(db,
                        "INSERT INTO ITCOMANDAEST (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, "
                        "CDPRODUTO, QTPROCOMEST, VRPRECCOMEST, VRDESITCOMEST) VALUES ('0001', ?1, "
                        "?1, ?2, '1001', 1, 5, 0)");
    for (long long n = first; n < first + count; ++n) {
      vyrtest::DeliveryBill bill;
      bill.nrvendarest = Number(n);
      bill.nrcomanda = Number(n);
      bill.dscomanda = "DLV_" + bill.nrcomanda;
      bill.nrcomandaext = "PED" + std::to_string(n);
      bill.items.clear();
      for (const char* item : {"001", "002", "003"}) {
        vyrtest::BillItem it;
        it.nrprodcomven = item;
        it.price = 5;
        bill.items.push_back(it);
        itcomandaest.Text(1, bill.nrcomanda).Text(2, item).Run();
      }
      vyrtest::InsertDeliveryBill(store, bill);
      vyrtest::BillPayment first_payment, second_payment;
      first_payment.value = 10;
      second_payment.value = 5;
      vyrtest::InsertDeliveryPayments(store, bill, {first_payment, second_payment});
    }
    store.Exec("COMMIT");
  }

  void Pass() { dm->VerificaPedidosExpKDS(kFilial, kCaixa, kLoja); }

  // The register issues NFC-e (simulated authoriser, homologation), without a certificate: enough
  // for the passes that find nothing to issue.
  void MakeNfceRegister() {
    store.Exec("UPDATE CAIXA SET IDTPEMISSAOVYR = 'FNC'");
    store.Exec(
        "INSERT OR REPLACE INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, NRSERIENFCE, IDCSCNFCE, "
        "CDCSCNFCE, IDMODOAUTORIZ, DSURLQRCODE) VALUES ('0001', '001', '1', '1', 'CSC-DE-TESTE', "
        "'simulado', 'https://nfce.sefaz.example/qrcode')");
    dm->boVyrNfce = true;
    dm->idTipoEmissao = "N";
    dm->idAmbTrabNfce = "2";
  }

  // One pass of the worker's loop: the scan, the document pass and the pending notes' send.
  void WorkerPass() {
    Pass();
    dm->EmiteDocumentosPendentes(kFilial, kCaixa);
    if (dm->boVyrNfce) VyrFiscal::TransmiteNfcePendentes(kFilial, kCaixa);
  }

  // Orders still waiting for automatic closing.
  int Pending() const { return store.Count("COMANDAVEN", "IDIMPCUPEXP = '2'"); }

  vyrtest::TempStore store;
  std::unique_ptr<Cli_Qam00417::TrdmImpExpKds> dm;
};

}  // namespace bench
