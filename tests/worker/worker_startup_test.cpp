// The worker's start-up against a real store: the switch, the printer models, the parameter
// row and the local cached tables.

#include <stdlib.h>

#include <cstdio>
#include <filesystem>

#include "datamodule/rdm_imp_exp_kds.h"
#include "external/fiscal_device.h"
#include "external/receivables.h"
#include "rtl/errors.h"
#include "support/lock_wait.h"
#include "support/package_fakes.h"
#include "support/seams.h"
#include "vyrutil/crypto.h"
#include "worker/dispara_imp_ped_exp_kds.h"
#include "worker/log_imp_exp_kds.h"
#include "worker/worker_control.h"
#include "worker/worker_fixture.h"
#include "worker/worker_status.h"

namespace workertest {
namespace {

using Cli_Qam00417::rdmImpExpKds;
using Msgs = std::vector<std::string>;

const char* const kInicio = "INICIO THREAD_0001_001_0106/12/2026";
const char* const kTerminate = "TERMINATE THREAD_0001_001_0106/12/2026";
const char* const kParada = "Parada da THREAD solicitada pelo host";

class WorkerStartupTest : public WorkerTest {};

TEST_F(WorkerStartupTest, SwitchNotExactlyUpperSEndsWithoutPrinterOrScan) {
  for (const char* flag : {"s", "", "N"}) {
    SCOPED_TRACE(flag);
    vyrtest::RegisterOptions options;
    options.idimpautcupexp = flag;
    options.printer_model = "22";
    InsertRegister(options);
    std::remove(Cli_Qam00417::LogImpExpKDSPath().c_str());
    RunUntilEnd();
    EXPECT_EQ((Msgs{kInicio, kTerminate, ""}), LogMessages());
    EXPECT_EQ("", PrinterCalls());
  }
}

TEST_F(WorkerStartupTest, RegisterWithoutPrinterEndsWithoutScanning) {
  vyrtest::RegisterOptions options;
  options.printer_model = "";
  InsertRegister(options);
  RunUntilEnd();
  EXPECT_EQ((Msgs{kInicio, "Caixa sem impressora NF6 parametrizada..", kTerminate, ""}),
            LogMessages());
  EXPECT_EQ(0, Passes());
}

TEST_F(WorkerStartupTest, PrinterRowMissingReadsAsNoPrinter) {
  vyrtest::RegisterOptions options;
  options.printer_model = "22";
  InsertRegister(options);
  store_.Exec("DELETE FROM IMPRLOJA");
  RunUntilEnd();
  EXPECT_EQ((Msgs{kInicio, "Caixa sem impressora NF6 parametrizada..", kTerminate, ""}),
            LogMessages());
  EXPECT_EQ("", rdmImpExpKds->idTipoImpNf6);
  EXPECT_EQ("", rdmImpExpKds->cdPortaImpNf6);
}

struct ModelCase {
  const char* model;
  const char* log;   // the start line, or nullptr
  const char* call;  // the recorded start, or nullptr
};

class PrinterModelTest : public WorkerTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(PrinterModelTest, StartsTheModelsLibraryThenScans) {
  const ModelCase& c = GetParam();
  vyrtest::RegisterOptions options;
  options.printer_model = c.model;
  options.printer_port = "COM7";
  InsertRegister(options);
  RunOnePassAndStop();
  Msgs expected{kInicio};
  if (c.log != nullptr) expected.push_back(c.log);
  expected.insert(expected.end(), {"", kParada, kTerminate, ""});
  EXPECT_EQ(expected, LogMessages());
  EXPECT_EQ(c.call ? std::string(c.call) + ";" : "", PrinterCalls());
}

INSTANTIATE_TEST_SUITE_P(
    Models, PrinterModelTest,
    ::testing::Values(
        ModelCase{"10", "Inicializando DLL: StartDarumaFrameWork", "StartDarumaFrameWork"},
        ModelCase{"22", "Inicializando DLL: StartDarumaFrameWork", "StartDarumaFrameWork"},
        ModelCase{"13", "Inicializando DLL: StartMp2032", "StartMp2032"},
        ModelCase{"28", "Inicializando DLL: StartMp2032", "StartMp2032"},
        ModelCase{"16", "Inicializando DLL: StartInterfaceEpsonNF", "StartInterfaceEpsonNF(COM7)"},
        ModelCase{"19", "Inicializando DLL: StartInterfaceEpsonNF", "StartInterfaceEpsonNF(COM7)"},
        ModelCase{"17", "Inicializando DLL: StartSI300", "StartSI300(0,0)"},
        ModelCase{"20", "Inicializando DLL: StartKioskDll", "StartKioskDll"},
        ModelCase{"11", nullptr, nullptr}));

TEST_F(WorkerStartupTest, NonNumericModelIsLoggedAsConversionError) {
  vyrtest::RegisterOptions options;
  options.printer_model = "abc";
  InsertRegister(options);
  RunUntilEnd();
  EXPECT_EQ((Msgs{kInicio,
                  "IDTIPOIMPNF6: 'abc' is not a valid integer value - Qam00417 - "
                  "Funcao:TImpExpKdsThread.Execute",
                  kTerminate, ""}),
            LogMessages());
  EXPECT_EQ(0, Passes());
}

TEST_F(WorkerStartupTest, FailingPrinterStartEndsTheWorker) {
  const vyrtest::ScopedOverride failing(
      VyrFiscal::StartKioskDll, [] { throw rtl::Exception("Porta da impressora indisponivel"); });
  vyrtest::RegisterOptions options;
  options.printer_model = "20";
  InsertRegister(options);
  RunUntilEnd();
  EXPECT_EQ((Msgs{kInicio, "Inicializando DLL: StartKioskDll",
                  "Porta da impressora indisponivel - Qam00417 - Funcao:TImpExpKdsThread.Execute",
                  kTerminate, ""}),
            LogMessages());
}

TEST_F(WorkerStartupTest, UnreachableDatabaseEndsTheWorkerWithTheError) {
  setenv("VYR_CONEXAO", ("sqlite:" + store_.Dir() + "/sem/pasta/Loja.db").c_str(), 1);
  RunUntilEnd();
  unsetenv("VYR_CONEXAO");
  const Msgs log = LogMessages();
  ASSERT_EQ(4u, log.size());
  EXPECT_EQ(kInicio, log[0]);
  EXPECT_NE(std::string::npos, log[1].find(" - Qam00417 - Funcao:TImpExpKdsThread.Execute"));
  EXPECT_EQ(kTerminate, log[2]);
}

TEST_F(WorkerStartupTest, EmissionTypeFollowsTheRegistersEmissionKind) {
  const std::pair<const char*, const char*> cases[] = {
      {"FNC", "N"}, {"SAT", "S"}, {"ECF", "E"}, {"", "E"}};
  for (const auto& [kind, tipo] : cases) {
    SCOPED_TRACE(kind);
    vyrtest::RegisterOptions options;
    options.idimpautcupexp = "N";
    options.idtpemissaovyr = kind;
    InsertRegister(options);
    RunUntilEnd();
    EXPECT_EQ(tipo, rdmImpExpKds->idTipoEmissao);
    EXPECT_EQ(std::string(kind) == "FNC", rdmImpExpKds->boVyrNfce);
    EXPECT_EQ(std::string(kind) == "SAT", rdmImpExpKds->boVyrSat);
  }
}

TEST_F(WorkerStartupTest, RunStateTakesTheParameterRow) {
  vyrtest::RegisterOptions options;
  options.idimpautcupexp = "N";
  options.printer_model = "19";
  options.printer_port = "COM3";
  options.cdempresa = "0042";
  options.idimpcnpjclie = "S";
  options.idambtrabnfce = "1";
  options.idextconsonline = "S";
  InsertRegister(options);
  store_.Exec("UPDATE PARAVEND SET CDURLWSEXTCONS = 'http://central', IDEXTCONSCENTRAL = 'S'");
  store_.Exec("UPDATE CAIXA SET IDUTILSATCOMP = 'S', IDPAISINTEGRA = 'BR'");
  const rtl::TDateTime abertura = rtl::EncodeDateTime({2026, 12, 6, 8, 30, 0, 0});
  // The XML folder is the start-up day's.
  const vyrtest::ScopedClock clock(rtl::EncodeDateTime({2026, 12, 6, 23, 59, 0, 0}));
  RunUntilEnd(abertura);
  const Cli_Qam00417::TrdmImpExpKds& dm = *rdmImpExpKds;
  EXPECT_EQ("0042", dm.cdEmpresa);
  EXPECT_EQ("S", dm.idImpCnpjClie);
  EXPECT_EQ("1", dm.idAmbTrabNfce);
  EXPECT_EQ("S", dm.idUtilSatComp);
  EXPECT_EQ("BR", dm.idPaisIntegra);
  EXPECT_EQ("001", dm.nrSeqImprLoja6);
  EXPECT_EQ("19", dm.idTipoImpNf6);
  EXPECT_EQ("COM3", dm.cdPortaImpNf6);
  EXPECT_EQ("S", dm.idExtConsOnline);
  EXPECT_EQ("http://central", dm.cdUrlWsExtCons);
  EXPECT_EQ("S", dm.idExtConsCentral);
  EXPECT_EQ(abertura, dm.dtAberturaCaixa);
  EXPECT_EQ(store_.Dir() + "/Dados/XML_NFCe_Sat/0001-001-2026-12-06/", dm.dsPastaXml);
}

TEST_F(WorkerStartupTest, RegisterWithoutCaixaRowReadsEverythingEmpty) {
  InsertRegister({});
  store_.Exec("DELETE FROM CAIXA");
  if (rdmImpExpKds != nullptr) {
    rdmImpExpKds->cdEmpresa = "antes";
    rdmImpExpKds->boVyrNfce = true;
  }
  RunUntilEnd();
  EXPECT_EQ((Msgs{kInicio, kTerminate, ""}), LogMessages());
  EXPECT_EQ("", rdmImpExpKds->cdEmpresa);
  EXPECT_EQ("", rdmImpExpKds->idTipoImpNf6);
  EXPECT_FALSE(rdmImpExpKds->boVyrNfce);
  EXPECT_EQ("E", rdmImpExpKds->idTipoEmissao);
}

TEST_F(WorkerStartupTest, LocalTablesFillTheRunState) {
  vyrtest::RegisterOptions options;
  options.idimpautcupexp = "N";
  InsertRegister(options);
  const rtl::TDateTime movimento = rtl::EncodeDate(2026, 12, 5);
  WriteDataMovimento(movimento);
  WriteAberturaCaixa(VyrUtil::Cripto("123456789", VyrUtil::kChaveAtivacaoSat));
  WriteConfTipoRece("DIN");
  RunUntilEnd();
  EXPECT_EQ(movimento, rdmImpExpKds->dtMovimento);
  EXPECT_EQ("123456789", rdmImpExpKds->cdAtivacaoSat);
  ASSERT_EQ(1, rdmImpExpKds->cdsConfTipoReceRev.RecordCount());
  EXPECT_TRUE(rdmImpExpKds->cdsConfTipoReceRev.Locate("CDTIPORECE", rtl::Variant("DIN")));
}

TEST_F(WorkerStartupTest, MissingLocalTablesKeepEarlierValuesAndTheWorkerScans) {
  InsertRegister({});
  if (rdmImpExpKds == nullptr) rdmImpExpKds = new Cli_Qam00417::TrdmImpExpKds();
  rdmImpExpKds->cdAtivacaoSat = "anterior";
  rdmImpExpKds->dtMovimento = 45000;
  RunOnePassAndStop();
  EXPECT_EQ("anterior", rdmImpExpKds->cdAtivacaoSat);
  EXPECT_EQ(45000, rdmImpExpKds->dtMovimento);
  EXPECT_EQ((Msgs{kInicio, "", kParada, kTerminate, ""}), LogMessages());
}

TEST_F(WorkerStartupTest, UnreadableTableFileEndsTheWorker) {
  InsertRegister({});
  WriteGarbage("ConfTipoRece.cds");
  RunUntilEnd();
  const Msgs log = LogMessages();
  ASSERT_EQ(4u, log.size());
  EXPECT_NE(std::string::npos, log[1].find(" - Qam00417 - Funcao:TImpExpKdsThread.Execute"));
  EXPECT_EQ(0, Passes());
}

// Stopping the host never waits on a blocked store: the stop request interrupts the statement
// the start-up is waiting on (here the session set-up of a store not yet in WAL mode, behind
// another program's lock), and the log says it was a stop, not a failure.
TEST_F(WorkerStartupTest, StopRequestEndsAStartUpWaitingOnALockedStore) {
  InsertRegister({});
  store_.Exec("PRAGMA journal_mode = DELETE");
  store_.Exec("BEGIN EXCLUSIVE");
  vyrtest::LockWaitWatch watch;
  Cli_Qam00417::DisparaImpPedExpKDS(kFilial, kCaixa, kLoja, rtl::EncodeDate(2026, 12, 6));
  EXPECT_TRUE(watch.WaitForWaiter());
  const bool ended = Cli_Qam00417::FinalizaImpPedExpKDS(10000) != 0;
  store_.Exec("ROLLBACK");
  ASSERT_TRUE(ended);
  // The stop names what it cut short, and is no failure of the worker.
  EXPECT_EQ((Msgs{kInicio,
                  "Parada da THREAD solicitada pelo host (interrompido: Statement interrupted: "
                  "the worker is stopping)",
                  kTerminate, ""}),
            LogMessages());
  EXPECT_EQ(Cli_Qam00417::kFimParadaSolicitada, Cli_Qam00417::MotivoFimImpPedExpKDS(nullptr));
}

// Saves a one-column table file under Dados/Cadastros/, with one row holding `value` or none.
void WriteOneColumn(const std::string& dir, const char* file, const char* column,
                    const char* value) {
  rtl::TClientDataSet table;
  table.DeclareFields({rtl::FieldDef(column, rtl::FieldType::String, 60)});
  table.CreateDataSet();
  if (value != nullptr) {
    table.Append();
    table.FieldByName(column).SetAsString(value);
    table.Post();
  }
  std::filesystem::create_directories(dir + "/Dados/Cadastros");
  table.SaveToFile(dir + "/Dados/Cadastros/" + file);
}

// What the worker logs after INICIO for a local table file as the installation may leave it: a
// table without its field fails with or without rows, and a bad value names its file and
// column; an empty activation code (a register without SAT) is no error.
TEST_F(WorkerStartupTest, LocalTableFaultsNameTheFileAndColumn) {
  struct Case {
    const char* file;
    const char* column;
    const char* value;
    std::string expected;
  };
  const std::string dir = store_.Dir() + "/Dados/Cadastros/";
  const std::string suffix = " - Qam00417 - Funcao:TImpExpKdsThread.Execute";
  const Case cases[] = {
      {"DataMovimento.cds", "OUTRO", nullptr,
       dir + "DataMovimento.cds: cdsDataMovimento: Field 'DATAMOVIMENTO' not found" + suffix},
      {"DataMovimento.cds", "DATAMOVIMENTO", "not a date",
       dir + "DataMovimento.cds: DATAMOVIMENTO: 'not a date' is not a valid date and time" +
           suffix},
      {"AberturaCaixa.cds", "CDATIVACAOSAT", "XYZ",
       dir + "AberturaCaixa.cds: CDATIVACAOSAT: 'XYZ' is not a valid encrypted text" + suffix},
      {"AberturaCaixa.cds", "CDATIVACAOSAT", "", ""},
  };
  InsertRegister({});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    std::filesystem::remove_all(dir);
    WriteOneColumn(store_.Dir(), c.file, c.column, c.value);
    std::remove(Cli_Qam00417::LogImpExpKDSPath().c_str());
    if (c.expected.empty()) {
      RunOnePassAndStop();
      EXPECT_EQ((Msgs{kInicio, "", kParada, kTerminate, ""}), LogMessages());
      EXPECT_EQ("", rdmImpExpKds->cdAtivacaoSat);
    } else {
      RunUntilEnd();
      EXPECT_EQ((Msgs{kInicio, c.expected, kTerminate, ""}), LogMessages());
    }
  }
}

}  // namespace
}  // namespace workertest
