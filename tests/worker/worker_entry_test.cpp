// The entry, the stop request, the status query and the life of the data modules across
// worker starts.

#include <fstream>

#include "datamodule/rdm_imp_exp_kds.h"
#include "external/receivables.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"
#include "worker/dispara_imp_ped_exp_kds.h"
#include "worker/worker_control.h"
#include "worker/worker_fixture.h"
#include "worker/worker_status.h"

namespace workertest {
namespace {

using Cli_Qam00417::WorkerControl;
using Msgs = std::vector<std::string>;

class WorkerEntryTest : public WorkerTest {};

TEST_F(WorkerEntryTest, StartAndEndLinesCarryStoreCodeFollowedByDateTime) {
  InsertRegister({});
  RunOnePassAndStop(rtl::EncodeDateTime({2026, 12, 6, 8, 30, 5, 0}));
  const Msgs log = LogMessages();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ("INICIO THREAD_0001_001_0106/12/2026 08:30:05", log.front());
  EXPECT_EQ((Msgs{"TERMINATE THREAD_0001_001_0106/12/2026 08:30:05", ""}),
            Msgs(log.end() - 2, log.end()));
}

TEST_F(WorkerEntryTest, SecondCallWhileAWorkerRunsIsRefused) {
  InsertRegister({});
  Cli_Qam00417::DisparaImpPedExpKDS(kFilial, kCaixa, kLoja, rtl::EncodeDate(2026, 12, 6));
  WaitForPass();
  Cli_Qam00417::DisparaImpPedExpKDS(kFilial, "002", kLoja, rtl::EncodeDate(2026, 12, 6));
  ASSERT_TRUE(Cli_Qam00417::FinalizaImpPedExpKDS(30000));
  const Msgs log = LogMessages();
  const Msgs expected_head{
      "INICIO THREAD_0001_001_0106/12/2026", "", "INICIO THREAD_0001_002_0106/12/2026",
      "Chamada recusada: THREAD_0001_002_01 - ja existe uma THREAD em execucao"};
  ASSERT_GE(log.size(), expected_head.size());
  EXPECT_EQ(expected_head, Msgs(log.begin(), log.begin() + expected_head.size()));
  EXPECT_EQ(1, std::count_if(log.begin(), log.end(), [](const std::string& line) {
              return line.rfind("TERMINATE", 0) == 0;
            }));
}

TEST_F(WorkerEntryTest, AWorkerCanStartAgainAfterTheLastOneEnded) {
  InsertRegister({});
  RunOnePassAndStop();
  RunOnePassAndStop();
  const Msgs log = LogMessages();
  EXPECT_EQ(2, std::count_if(log.begin(), log.end(), [](const std::string& line) {
              return line.rfind("TERMINATE", 0) == 0;
            }));
}

TEST_F(WorkerEntryTest, StopRequestEndsTheLoopAndFreesTheSlot) {
  InsertRegister({});
  Cli_Qam00417::DisparaImpPedExpKDS(kFilial, kCaixa, kLoja, rtl::EncodeDate(2026, 12, 6));
  WaitForPass();
  EXPECT_EQ(Cli_Qam00417::kStatusOcioso, Cli_Qam00417::StatusImpPedExpKDS());
  EXPECT_TRUE(Cli_Qam00417::FinalizaImpPedExpKDS(30000));
  EXPECT_EQ(Cli_Qam00417::kStatusSemWorker, Cli_Qam00417::StatusImpPedExpKDS());
  const Msgs log = LogMessages();
  EXPECT_EQ(
      (Msgs{"Parada da THREAD solicitada pelo host", "TERMINATE THREAD_0001_001_0106/12/2026", ""}),
      Msgs(log.end() - 3, log.end()));
}

TEST_F(WorkerEntryTest, StopWithoutWorkerSucceedsAndDoesNotBlockTheNextStart) {
  EXPECT_TRUE(Cli_Qam00417::FinalizaImpPedExpKDS(0));
  vyrtest::RegisterOptions options;
  options.idimpautcupexp = "N";
  InsertRegister(options);
  RunUntilEnd();
  EXPECT_EQ(3u, LogMessages().size());
}

TEST_F(WorkerEntryTest, DataModulesAreCreatedOnceAndNotReconnected) {
  vyrtest::RegisterOptions options;
  options.idimpautcupexp = "N";
  InsertRegister(options);
  RunUntilEnd();
  Cli_Qam00417::TrdmImpExpKds* const dm = Cli_Qam00417::rdmImpExpKds;
  VyrRecebimento::TrdmRecebimento* const receb = VyrRecebimento::rdmRecebimento;
  ASSERT_NE(dm, nullptr);
  ASSERT_NE(receb, nullptr);
  EXPECT_TRUE(dm->adcImpExpKds.Connected());
  EXPECT_TRUE(receb->adcRecebimento.Connected());
  const uint64_t generation = dm->adcImpExpKds.Generation();
  const uint64_t receb_generation = receb->adcRecebimento.Generation();

  RunUntilEnd();
  EXPECT_EQ(dm, Cli_Qam00417::rdmImpExpKds);
  EXPECT_EQ(receb, VyrRecebimento::rdmRecebimento);
  EXPECT_EQ(generation, dm->adcImpExpKds.Generation());
  EXPECT_EQ(receb_generation, receb->adcRecebimento.Generation());
}

TEST_F(WorkerEntryTest, CLinkageEntryStartsTheSameWorker) {
  vyrtest::RegisterOptions options;
  options.idimpautcupexp = "N";
  InsertRegister(options);
  ::DisparaImpPedExpKDS(kFilial, kCaixa, kLoja, rtl::EncodeDate(2026, 12, 6));
  // The switch is off: the worker ends by itself (a stop now would interrupt its start-up).
  ASSERT_TRUE(Cli_Qam00417::WorkerControl::Instance().WaitForEnd(30000));
  EXPECT_EQ(1, ::FinalizaImpPedExpKDS(30000));
  EXPECT_EQ(
      (Msgs{"INICIO THREAD_0001_001_0106/12/2026", "TERMINATE THREAD_0001_001_0106/12/2026", ""}),
      LogMessages());
  EXPECT_EQ(Cli_Qam00417::kStatusSemWorker, ::StatusImpPedExpKDS());
}

TEST_F(WorkerEntryTest, UnwritableLogStopsTheEntryBeforeAnyWorker) {
  const std::string blocked = store_.Dir() + "/arquivo";
  std::ofstream(blocked) << "x";
  rtl::SetProgramDirectory(blocked);  // "Dados" cannot be made under a file
  EXPECT_THROW(
      Cli_Qam00417::DisparaImpPedExpKDS(kFilial, kCaixa, kLoja, rtl::EncodeDate(2026, 12, 6)),
      rtl::EInOutError);
  EXPECT_EQ(Cli_Qam00417::kStatusSemWorker, Cli_Qam00417::StatusImpPedExpKDS());
  // Across the C boundary the failure is reported, not raised.
  ::DisparaImpPedExpKDS(kFilial, kCaixa, kLoja, rtl::EncodeDate(2026, 12, 6));
  EXPECT_EQ(Cli_Qam00417::kStatusSemWorker, Cli_Qam00417::StatusImpPedExpKDS());
}

}  // namespace
}  // namespace workertest
