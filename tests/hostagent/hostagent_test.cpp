// The host agent as a user runs it: making stores, running the worker and stopping it.

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "hostagent/hostagent_process.h"
#include "rtl/client_dataset.h"
#include "support/store_builders.h"
#include "support/temp_store.h"
#include "vyrutil/crypto.h"

namespace hosttest {
namespace {

namespace fs = std::filesystem;

std::string ScalarOfNewConnection(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  std::string value = "(erro)";
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW) {
    value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return value;
}

class HostAgentTest : public ::testing::Test {
 protected:
  // A store of its own with one register (0001 / 01 / 001).
  void InsertRegister(const vyrtest::RegisterOptions& options) {
    vyrtest::InsertBranchStoreRegister(store_, "0001", "01", "001", options);
  }
  Result Run(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"run",     "--dir", store_.Dir(), "--filial", "0001",
                                  "--caixa", "001",   "--loja",     "01"};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunHost(args, store_.Dir());
  }
  std::string Log() const {
    std::string text;
    for (const auto& year : fs::directory_iterator(store_.Dir() + "/Dados/LogImpExpKDS")) {
      for (const auto& day : fs::directory_iterator(year.path())) text += ReadFile(day.path());
    }
    return text;
  }

  vyrtest::TempStore store_;
};

TEST_F(HostAgentTest, InitStoreCreatesTheSchemaAndRefusesToOverwrite) {
  vyrtest::TempStore scratch;
  const std::string dir = scratch.Dir() + "/nova";
  Result first = RunHost({"init-store", "--dir", dir}, scratch.Dir());
  ASSERT_EQ(0, first.exit_code) << first.err;
  ASSERT_TRUE(fs::exists(dir + "/Dados/Loja.db"));
  const auto size = fs::file_size(dir + "/Dados/Loja.db");

  Result again = RunHost({"init-store", "--dir", dir}, scratch.Dir());
  EXPECT_NE(0, again.exit_code);
  EXPECT_NE(std::string::npos, again.err.find("--force"));
  EXPECT_EQ(size, fs::file_size(dir + "/Dados/Loja.db"));
}

TEST_F(HostAgentTest, InitStoreWithForceReplacesTheStore) {
  InsertRegister({});
  Result result = RunHost({"init-store", "--dir", store_.Dir(), "--force"}, store_.Dir());
  ASSERT_EQ(0, result.exit_code) << result.err;
  // The fixture's own handle still sees the removed file; a new one sees the new store.
  EXPECT_EQ("0", ScalarOfNewConnection(store_.DbPath(), "SELECT COUNT(*) FROM CAIXA"));
}

TEST_F(HostAgentTest, DemoStoreHasARegisterWithPrinterAndItsLocalTables) {
  vyrtest::TempStore scratch;
  const std::string dir = scratch.Dir() + "/demo";
  Result result = RunHost({"demo-store", "--dir", dir, "--modelo", "22"}, scratch.Dir());
  ASSERT_EQ(0, result.exit_code) << result.err;
  for (const char* file : {"ConfTipoRece.cds", "DataMovimento.cds", "AberturaCaixa.cds"}) {
    EXPECT_TRUE(fs::exists(dir + "/Dados/Cadastros/" + file)) << file;
  }
  rtl::TClientDataSet abertura;
  abertura.LoadFromFile(dir + "/Dados/Cadastros/AberturaCaixa.cds");
  EXPECT_EQ("123456789", VyrUtil::Uncripto(abertura.FieldByName("CDATIVACAOSAT").AsString(),
                                           VyrUtil::kChaveAtivacaoSat));

  Result run = RunHost({"run", "--dir", dir, "--filial", "0001", "--caixa", "001", "--loja", "01",
                        "--until-idle", "--max-seconds", "60"},
                       scratch.Dir());
  EXPECT_EQ(0, run.exit_code) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("Encerrando: sem pedidos pendentes"));
}

TEST_F(HostAgentTest, UntilIdleStopsAfterAPassWithNothingPending) {
  InsertRegister({});
  Result result = Run({"--until-idle", "--max-seconds", "60", "--abertura", "2026-12-06 08:30:00"});
  EXPECT_EQ(0, result.exit_code) << result.err;
  EXPECT_NE(std::string::npos, result.out.find("Encerrando: sem pedidos pendentes"));
  EXPECT_NE(std::string::npos, result.out.find("Pedidos pendentes:  0"));
  const std::string log = Log();
  EXPECT_NE(std::string::npos, log.find(" - INICIO THREAD_0001_001_0106/12/2026 08:30:00\r\n"));
  EXPECT_NE(std::string::npos, log.find(" - TERMINATE THREAD_0001_001_0106/12/2026 08:30:00\r\n"));
}

TEST_F(HostAgentTest, EndsWhenTheWorkerEndsAndCountsLoggedFailures) {
  vyrtest::RegisterOptions options;
  options.printer_model = "abc";
  InsertRegister(options);
  vyrtest::InsertPendingOrder(store_, vyrtest::PendingOrder{});
  Result result = Run({"--max-seconds", "60"});
  EXPECT_EQ(0, result.exit_code) << result.err;
  EXPECT_NE(std::string::npos, result.out.find("Encerrando: a thread terminou"));
  EXPECT_NE(std::string::npos, result.out.find("Falhas registradas: 1"));
  EXPECT_NE(std::string::npos, result.out.find("Pedidos pendentes:  1"));
  EXPECT_NE(std::string::npos, result.out.find("/Dados/LogImpExpKDS/LogImpExpKDS"));
}

TEST_F(HostAgentTest, TimeLimitEndsARunThatNeverIdles) {
  InsertRegister({});
  Result result = Run({"--max-seconds", "1"});
  EXPECT_EQ(0, result.exit_code) << result.err;
  EXPECT_NE(std::string::npos, result.out.find("Encerrando: tempo maximo atingido"));
}

TEST_F(HostAgentTest, TerminationSignalStopsTheWorkerCleanly) {
  InsertRegister({});
  HostProcess host({"run", "--dir", store_.Dir(), "--filial", "0001", "--caixa", "001", "--loja",
                    "01", "--max-seconds", "120"},
                   store_.Dir());
  // Wait (bounded) for the worker to have started before signalling.
  for (int i = 0; i < 600 && !fs::exists(store_.Dir() + "/Dados/LogImpExpKDS"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  host.Signal(SIGTERM);
  Result result = host.Wait();
  EXPECT_EQ(0, result.exit_code) << result.err;
  EXPECT_NE(std::string::npos, result.out.find("Encerrando: sinal recebido"));
  EXPECT_NE(std::string::npos, Log().find(" - TERMINATE THREAD_0001_001_01"));
}

TEST_F(HostAgentTest, MissingModuleFailsWithoutStartingAnything) {
  InsertRegister({});
  Result result = Run({"--module", store_.Dir() + "/nao_existe.so"});
  EXPECT_EQ(1, result.exit_code);
  EXPECT_NE(std::string::npos, result.err.find("nao_existe.so"));
  EXPECT_FALSE(fs::exists(store_.Dir() + "/Dados/LogImpExpKDS"));
}

}  // namespace
}  // namespace hosttest
