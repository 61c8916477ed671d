#pragma once
// A store with one register and one delivery order, a data module connected to it, and the
// fakes of the fiscal-device and receivables packages (support/) that answer as a test sets them
// and record what they receive. The order-data lookups and commands run for real on the store.
//
// Header-only, so the scan's tests share it.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "datamodule/rdm_imp_exp_kds.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"
#include "support/fiscal_package_fake.h"
#include "support/package_fakes.h"
#include "support/receivables_package_fake.h"
#include "support/seams.h"
#include "support/store_builders.h"
#include "support/temp_store.h"
#include "worker/log_imp_exp_kds.h"

namespace closingtest {

using rtl::Variant;
using vyrtest::ScopedOverride;

inline constexpr const char* kFilial = "0001";
inline constexpr const char* kLoja = "01";
inline constexpr const char* kCaixa = "001";

// One sale row of the fake BuscaVenda.
using SaleRow = vyrtest::FakeSaleRow;

class ClosingTest : public ::testing::Test {
 protected:
  ClosingTest() {
    unsetenv("VYR_CONEXAO");
    rtl::SetProgramDirectory(store_.Dir());
    CloseReceivables();
    vyrtest::InsertBranchStoreRegister(store_, kFilial, kLoja, kCaixa);
    dm_ = std::make_unique<Cli_Qam00417::TrdmImpExpKds>();
    dm().cdEmpresa = "0001";
    dm().idPaisIntegra = "1058";
    dm().idAmbTrabNfce = "2";
    dm().idImpCnpjClie = "N";
    dm().idTipoEmissao = "E";
    dm().idExtConsOnline = "N";
    dm().nrSeqImprLoja6 = "001";
    dm().idTipoImpNf6 = "19";
    dm().cdPortaImpNf6 = "COM1";
    dm().dsPastaXml = store_.Dir() + "/Dados/XML_NFCe_Sat/0001-001-2026-12-07/";
    fiscal_.xmlFolder = dm().dsPastaXml;
    fiscal_.onClosing = [this] {
      if (recordSaleOnClosing_ && answer_.size() == 10) {
        vyrtest::InsertSale(store_, kFilial, kCaixa, answer_, kLoja, "0000000001",
                            vyrtest::TodayText());
      }
    };
    dm().dtAberturaCaixa = rtl::EncodeDateTime({2026, 12, 7, 8, 30, 0, 0});
    dm().dtMovimento = rtl::EncodeDate(2026, 12, 7);
    dm().cdsConfTipoReceRev.CreateDataSet();
    AddLayout("001", "DINHEIRO", "1");
    vyrtest::PendingOrder order;
    order.items = {vyrtest::OrderItem{"001", "1001", 2, 10, ""}};
    vyrtest::InsertPendingOrder(store_, order);
    AddPayment("01", "001", "E", 20);
  }
  ~ClosingTest() override {
    dm_.reset();
    CloseReceivables();
    rtl::SetProgramDirectory("");
  }
  // The receivables package keeps the number reservations on its own connection, made to the
  // store of the test that used it first.
  static void CloseReceivables() {
    if (VyrRecebimento::rdmRecebimento != nullptr) {
      VyrRecebimento::rdmRecebimento->adcRecebimento.Close();
    }
  }

  Cli_Qam00417::TrdmImpExpKds& dm() { return *dm_; }

  void NfceRegister() {
    dm().boVyrNfce = true;
    dm().idTipoEmissao = "N";
  }
  void SatRegister() {
    dm().boVyrSat = true;
    dm().idTipoEmissao = "S";
  }

  // A row of the register's payment layout.
  void AddLayout(const std::string& cdtiporece, const std::string& nmtiporece,
                 const std::string& idtiporece) {
    rtl::TClientDataSet& layout = dm().cdsConfTipoReceRev;
    layout.Append();
    layout.FieldByName("CDFILIAL").SetAsString(kFilial);
    layout.FieldByName("CDTIPORECE").SetAsString(cdtiporece);
    layout.FieldByName("NMTIPORECE").SetAsString(nmtiporece);
    layout.FieldByName("IDTIPORECE").SetAsString(idtiporece);
    layout.FieldByName("CDTIPOTROCO").SetAsString("T" + cdtiporece.substr(1));
    layout.FieldByName("NRORDTROCO").SetAsString("1");
    layout.FieldByName("DSIMPFISCAL").SetAsString(nmtiporece);
    // The type's fiscal payment code: "05" for the consumer's account, else "01", "02", ...
    layout.FieldByName("CDFPIMPFIS").SetAsString(idtiporece == "9" ? "05" : cdtiporece.substr(1));
    layout.FieldByName("CDBANCARTCR").SetAsString("B" + cdtiporece);
    layout.Post();
  }

  // A delivery payment of order `nrvendarest`.
  void AddPayment(const std::string& nrseq, const std::string& cdtiporece,
                  const std::string& idtipo, double valor,
                  const std::string& nrvendarest = "0000000001") {
    store_.Exec(
        "INSERT INTO MOVCAIXADLV (CDFILIAL, NRVENDAREST, NRSEQMOVDLV, IDTIPOMOVIVEDLV, CDCLIENTE, "
        "CDCONSUMIDOR, CDTIPORECE, VRMOVIVENDDLV, CDNSUTEFDLV) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {kFilial, nrvendarest, nrseq, idtipo, "C1", "K1", cdtiporece, valor, "NSU" + nrseq});
  }

  // Closes bill 0001 of order 0000000001.
  void Close(const std::string& dscomanda = "DLV_0001") {
    dm().FechaContaNormal(kFilial, kCaixa, kLoja, "0001", "0000000001", dscomanda);
  }

  // The log's messages without their date-time, one per line.
  std::string Log() const {
    std::ifstream in(Cli_Qam00417::LogImpExpKDSPath(), std::ios::binary);
    std::string text;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t separator = line.find(" - ");
      text += (separator == std::string::npos ? line : line.substr(separator + 3)) + "\n";
    }
    return text;
  }

  // IDIMPCUPEXP and IDSTCOMANDA of bill 0001, or "removed".
  std::string OrderState() const {
    const vyrtest::Rows rows =
        store_.Query("SELECT IDIMPCUPEXP, IDSTCOMANDA FROM COMANDAVEN WHERE NRCOMANDA = '0001'");
    if (rows.empty()) return "removed";
    return "IDIMPCUPEXP=" + rows[0][0] + " IDSTCOMANDA=" + rows[0][1];
  }

  // Cancelled sales recorded in VENDA.
  int CancelledSales() const { return store_.Count("VENDA", "IDSITUVENDA = 'C'"); }

  // The fakes' calls, in order.
  std::string Calls() const { return calls_.Text(); }

  // The closing day of dsPastaXml and of the emission time below.
  vyrtest::ScopedClock clock_{rtl::EncodeDateTime({2026, 12, 7, 10, 30, 0, 0})};
  vyrtest::TempStore store_;
  std::unique_ptr<Cli_Qam00417::TrdmImpExpKds> dm_;
  vyrtest::CallLog calls_;
  vyrtest::FakeFiscalPackage fiscal_{calls_};
  vyrtest::FakeReceivablesPackage receivables_{calls_};

  // What the fakes answer.
  std::vector<SaleRow>& saleRows_ = fiscal_.saleRows;
  std::string& cdfamilisald_ = fiscal_.cdfamilisald;
  std::string& answer_ = fiscal_.answer;  // SetConcluiFechamento
  std::string& nfceKey_ = fiscal_.nfceKey;
  bool& nfceContingency_ = fiscal_.nfceContingency;
  bool& satAccepts_ = fiscal_.satAccepts;
  std::vector<std::string>& satValues_ = fiscal_.satValues;
  std::string& balanceRefusal_ = receivables_.balanceRefusal;  // not empty: refuses the balance
  bool recordSaleOnClosing_ = false;  // the closing also enters today's sale in VENDA
  std::function<void()>& onBuscaVenda_ = fiscal_.onBuscaVenda;  // runs inside BuscaVenda

  // What the fiscal package read from the closing lists, unpacked on its side: the tables as
  // "meaning=dataset(rows)", the sale as LeFechamento gives it, one "field=value" line each.
  const std::string& closingTables_ = fiscal_.closingTables;
  const std::string& closingSale_ = fiscal_.closingSale;
  // The receipt parameters' row as the print received it, "FIELD=value" for fields set.
  const std::string& receiptRow_ = fiscal_.receiptRow;
};

}  // namespace closingtest
