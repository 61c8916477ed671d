#include "worker/worker_fixture.h"

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "datamodule/conf_tipo_rece_fields.h"
#include "datamodule/rdm_imp_exp_kds.h"
#include "external/fiscal_device.h"
#include "external/receivables.h"
#include "rtl/client_dataset.h"
#include "rtl/program_dir.h"
#include "worker/dispara_imp_ped_exp_kds.h"
#include "worker/log_imp_exp_kds.h"
#include "worker/worker_control.h"
#include "worker/worker_status.h"

namespace workertest {

namespace {

using Cli_Qam00417::WorkerControl;

constexpr int kBoundMs = 30000;

std::string Cadastro(const std::string& dir, const std::string& file) {
  std::filesystem::create_directories(dir + "/Dados/Cadastros");
  return dir + "/Dados/Cadastros/" + file;
}

rtl::FieldDef Field(const char* name, rtl::FieldType type, int size = 0) {
  rtl::FieldDef def;
  def.name = name;
  def.type = type;
  def.size = size;
  return def;
}

}  // namespace

void WorkerTest::SetUp() {
  unsetenv("VYR_CONEXAO");
  rtl::SetProgramDirectory(store_.Dir());
  // The data modules live for the whole process; each test has its own store, so their
  // connections are closed here and reconnect to this test's store on first use.
  if (Cli_Qam00417::rdmImpExpKds != nullptr) Cli_Qam00417::rdmImpExpKds->adcImpExpKds.Close();
  if (VyrRecebimento::rdmRecebimento != nullptr) {
    VyrRecebimento::rdmRecebimento->adcRecebimento.Close();
  }
  vyrtest::PackageCalls().Clear();
  WorkerControl::Instance().SetPassObserver([this] {
    {
      std::lock_guard<std::mutex> lock(pass_mutex_);
      ++passes_;
    }
    pass_done_.notify_all();
  });
}

void WorkerTest::TearDown() {
  EXPECT_TRUE(Cli_Qam00417::FinalizaImpPedExpKDS(kBoundMs));
  WorkerControl::Instance().SetPassObserver({});
  if (Cli_Qam00417::rdmImpExpKds != nullptr) Cli_Qam00417::rdmImpExpKds->adcImpExpKds.Close();
  if (VyrRecebimento::rdmRecebimento != nullptr) {
    VyrRecebimento::rdmRecebimento->adcRecebimento.Close();
  }
  rtl::SetProgramDirectory("");
}

void WorkerTest::InsertRegister(const vyrtest::RegisterOptions& options) {
  vyrtest::InsertBranchStoreRegister(store_, kFilial, kLoja, kCaixa, options);
}

void WorkerTest::RunUntilEnd(rtl::TDateTime abertura) {
  Cli_Qam00417::DisparaImpPedExpKDS(kFilial, kCaixa, kLoja, abertura);
  ASSERT_TRUE(WorkerControl::Instance().WaitForEnd(kBoundMs));
}

void WorkerTest::RunOnePassAndStop(rtl::TDateTime abertura) {
  {
    std::lock_guard<std::mutex> lock(pass_mutex_);
    passes_ = 0;
  }
  Cli_Qam00417::DisparaImpPedExpKDS(kFilial, kCaixa, kLoja, abertura);
  WaitForPass();
  ASSERT_TRUE(Cli_Qam00417::FinalizaImpPedExpKDS(kBoundMs));
}

void WorkerTest::WaitForPass() {
  std::unique_lock<std::mutex> lock(pass_mutex_);
  ASSERT_TRUE(pass_done_.wait_for(lock, std::chrono::milliseconds(kBoundMs), [this] {
    return passes_ > 0;
  })) << "the worker never finished a pass";
}

int WorkerTest::Passes() const {
  std::lock_guard<std::mutex> lock(pass_mutex_);
  return passes_;
}

std::vector<std::string> WorkerTest::LogMessages() const {
  std::ifstream in(Cli_Qam00417::LogImpExpKDSPath(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<std::string> messages;
  std::string line;
  while (std::getline(text, line, '\n')) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t separator = line.find(" - ");
    messages.push_back(separator == std::string::npos ? line : line.substr(separator + 3));
  }
  return messages;
}

void WorkerTest::WriteDataMovimento(rtl::TDateTime dataMovimento) const {
  rtl::TClientDataSet table;
  table.DeclareFields({Field("DATAMOVIMENTO", rtl::FieldType::DateTime)});
  table.CreateDataSet();
  table.Append();
  table.FieldByName("DATAMOVIMENTO").SetAsDateTime(dataMovimento);
  table.Post();
  table.SaveToFile(Cadastro(store_.Dir(), "DataMovimento.cds"));
}

void WorkerTest::WriteAberturaCaixa(const std::string& stored_code) const {
  rtl::TClientDataSet table;
  table.DeclareFields({Field("CDATIVACAOSAT", rtl::FieldType::String, 60)});
  table.CreateDataSet();
  table.Append();
  table.FieldByName("CDATIVACAOSAT").SetAsString(stored_code);
  table.Post();
  table.SaveToFile(Cadastro(store_.Dir(), "AberturaCaixa.cds"));
}

void WorkerTest::WriteConfTipoRece(const std::string& cdtiporece) const {
  rtl::TClientDataSet table;
  table.DeclareFields(Cli_Qam00417::ConfTipoReceFields());
  table.CreateDataSet();
  table.Append();
  table.FieldByName("CDFILIAL").SetAsString(kFilial);
  table.FieldByName("CDTIPORECE").SetAsString(cdtiporece);
  table.Post();
  table.SaveToFile(Cadastro(store_.Dir(), "ConfTipoRece.cds"));
}

void WorkerTest::WriteGarbage(const std::string& file) const {
  std::ofstream(Cadastro(store_.Dir(), file), std::ios::binary) << "not a table file";
}

}  // namespace workertest
