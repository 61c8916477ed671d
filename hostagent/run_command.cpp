#include "hostagent/run_command.h"

#include <signal.h>

#include <chrono>
#include <ctime>
#include <exception>
#include <filesystem>
#include <memory>
#include <ostream>

#include "hostagent/host_records.h"
#include "hostagent/module_loader.h"
#include "hostagent/receipt_copies.h"
#include "hostagent/register_lock.h"
#include "hostagent/run_summary.h"
#include "hostagent/store_commands.h"
#include "rtl/datetime.h"
#include "rtl/errors.h"
#include "rtl/program_dir.h"
#include "vyrutil/connection_setup.h"
#include "worker/worker_status.h"

namespace hostagent {

const char* const kExitCodesHelp =
    "Codigos de saida de run:\n"
    "  0  parada por sinal (SIGINT, SIGTERM, SIGHUP), --until-idle ou --max-seconds\n"
    "  1  erro do host: modulo nao carregado, Conexao.ini ilegivel, trava inacessivel\n"
    "  2  argumentos invalidos (--dir inexistente, --max-seconds, --abertura, caixa nao\n"
    "     informado nem em Dados/Caixa.ini)\n"
    "  3  a THREAD terminou por erro (a mensagem vai para stderr)\n"
    "  4  caixa nao encontrado (nenhuma linha de CAIXA para filial, caixa e loja)\n"
    "  5  fechamento automatico desligado no caixa (IDIMPAUTCUPEXP diferente de S)\n"
    "  6  caixa sem impressora NF6 parametrizada\n"
    "  7  o caixa ja esta em execucao em outro processo\n"
    "  8  a THREAD nao parou a tempo (o modulo fica carregado)\n"
    "  9  o banco da loja nao esta no esquema atual (falta tabela, coluna ou indice): execute\n"
    "     hostagent upgrade-store --dir DIR\n";

namespace {

// A stop ends within 5 s whatever the store does: at most 3 s for the worker, then at most 1 s
// for each of the two closing counts (run_summary.h).
constexpr int kEsperaParadaMs = 3000;
constexpr long kPassoEsperaNs = 100 * 1000 * 1000;

using Clock = std::chrono::steady_clock;

// SIGINT, SIGTERM and SIGHUP are blocked in every thread (the worker inherits the mask) and
// taken synchronously by the waiting loop, so no handler runs in the middle of the module's
// work.
sigset_t BlockStopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, signal);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  return signals;
}

enum class Why { Signal, Idle, IdleWithPending, IdlePaused, TimeLimit, WorkerEnded };

struct Ending {
  Why why = Why::WorkerEnded;
  int signal = 0;
};

// What the host does beside waiting: records the time of each pass the worker ends, and
// removes old daily logs and receipt copies at the start and once a day when asked to.
class Housekeeping {
 public:
  Housekeeping(const RunOptions& options, const ModuleLoader& module)
      : options_(options), module_(module) {}

  void Step(int status, std::ostream& out) {
    if (module_.Passagens != nullptr) {
      const long passes = module_.Passagens();
      if (passes != passes_) {
        passes_ = passes;
        RecordLastPass(options_.dir, options_.filial, options_.caixa, options_.loja, rtl::Now(),
                       status);
      }
    }
    if (options_.keep_logs > 0 && rtl::Date() != cleaned_) {
      cleaned_ = rtl::Date();
      const int removed = RemoveOldLogs(options_.dir, options_.keep_logs, rtl::Now());
      out << "Logs removidos (mais de " << options_.keep_logs << " dias): " << removed << "\n";
      out.flush();
    }
    if (options_.keep_copies > 0 && rtl::Date() != copies_cleaned_) {
      copies_cleaned_ = rtl::Date();
      const int removed = RemoveOldCopies(options_.dir, options_.keep_copies, rtl::Now());
      out << "Copias de recibos removidas (mais de " << options_.keep_copies
          << " dias): " << removed << "\n";
      out.flush();
    }
  }

 private:
  const RunOptions& options_;
  const ModuleLoader& module_;
  long passes_ = 0;
  rtl::TDateTime cleaned_ = 0;
  rtl::TDateTime copies_cleaned_ = 0;
};

// Waits for a stop signal, for the worker to become idle or to end, or for the time limit,
// which counts from `start`, the start of the run: time spent before the worker started (a
// locked store delaying the first count) is not granted again.
Ending WaitForEnding(const RunOptions& options, const ModuleLoader& module, const sigset_t& signals,
                     Clock::time_point start, Housekeeping& housekeeping, std::ostream& out) {
  const timespec step{0, kPassoEsperaNs};
  for (;;) {
    const int signal = sigtimedwait(&signals, nullptr, &step);
    if (signal > 0) return {Why::Signal, signal};
    const int status = module.Status();
    housekeeping.Step(status, out);
    if (status == Cli_Qam00417::kStatusSemWorker) return {Why::WorkerEnded};
    if (options.until_idle && status == Cli_Qam00417::kStatusOcioso) return {Why::Idle};
    if (options.until_idle && status == Cli_Qam00417::kStatusPendentes) {
      return {Why::IdleWithPending};
    }
    // A paused pass changes nothing either, and the next would not until the fault is mended.
    if (options.until_idle && status == Cli_Qam00417::kStatusCaixaParado) {
      return {Why::IdlePaused};
    }
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    if (options.max_seconds > 0 && elapsed.count() >= options.max_seconds) {
      return {Why::TimeLimit};
    }
  }
}

std::string SignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return std::to_string(signal);
  }
}

std::string EndingText(const Ending& ending) {
  switch (ending.why) {
    case Why::Signal:
      return "sinal " + SignalName(ending.signal) + " recebido";
    case Why::Idle:
      return "ociosa: a ultima passagem nao alterou nada e nao ha pedido pendente";
    case Why::IdleWithPending:
      return "ociosa: a ultima passagem nao alterou nada; os pedidos pendentes continuam "
             "pendentes";
    case Why::IdlePaused:
      return "ociosa: o caixa esta parado por uma falha do caixa (ver hostagent status)";
    case Why::TimeLimit:
      return "tempo maximo atingido";
    default:
      return "a THREAD terminou sozinha";
  }
}

struct WorkerEnd {
  int reason = Cli_Qam00417::kFimNenhum;
  std::string message;
};

WorkerEnd ReadWorkerEnd(const ModuleLoader& module) {
  char message[1024];
  WorkerEnd end;
  end.reason = module.MotivoFim(message, sizeof message);
  end.message = message;
  return end;
}

// The exit code and the stderr line of a worker that ended on its own.
int ReportWorkerEnd(const WorkerEnd& end, const RunOptions& o, std::ostream& err) {
  const std::string caixa = "filial " + o.filial + ", caixa " + o.caixa + ", loja " + o.loja;
  switch (end.reason) {
    case Cli_Qam00417::kFimCaixaNaoEncontrado:
      err << "hostagent: caixa nao encontrado: nenhuma linha de CAIXA para " << caixa << "\n";
      return kExitNoRegister;
    case Cli_Qam00417::kFimFechamentoDesligado:
      err << "hostagent: fechamento automatico desligado no caixa (" << caixa
          << "): CAIXA.IDIMPAUTCUPEXP diferente de 'S'\n";
      return kExitClosingOff;
    case Cli_Qam00417::kFimSemImpressora:
      err << "hostagent: caixa sem impressora NF6 parametrizada (" << caixa << ")\n";
      return kExitNoPrinter;
    case Cli_Qam00417::kFimErro:
      err << "hostagent: a THREAD terminou por erro: " << end.message << "\n";
      return kExitWorkerError;
    default:
      err << "hostagent: a THREAD terminou sem motivo registrado\n";
      return kExitWorkerError;
  }
}

// What the worker will use, before it starts: support staff see at once a wrong folder,
// connection or register.
void PrintStartLines(const RunOptions& o, std::ostream& out) {
  const VyrUtil::ConnectionSource connection = VyrUtil::GetStringConexVyrOrigem();
  out << "Diretorio do programa: " << rtl::ProgramDirectory() << "\n"
      << "Conexao:               " << VyrUtil::MascaraSenha(connection.connection_string)
      << " (origem: " << connection.source << ")\n"
      << "Caixa:                 filial " << o.filial << ", caixa " << o.caixa << ", loja "
      << o.loja << "\n";
  out.flush();
}

}  // namespace

int RunHost(const RunOptions& given, std::ostream& out, std::ostream& err) {
  const Clock::time_point start = Clock::now();
  const sigset_t signals = BlockStopSignals();
  if (!std::filesystem::is_directory(given.dir)) {
    err << "hostagent: --dir: a pasta '" << given.dir << "' nao existe\n";
    return kExitUsage;
  }
  RunOptions options = given;
  try {
    FillRegister(options.dir, options.filial, options.caixa, options.loja);
  } catch (const std::invalid_argument& e) {
    err << "hostagent: " << e.what() << "\n";
    return kExitUsage;
  }
  rtl::TDateTime abertura = 0;
  try {
    abertura = options.abertura.empty() ? rtl::Now() : rtl::ParseSqlDateTime(options.abertura);
  } catch (const rtl::Exception& e) {
    err << "hostagent: --abertura: " << e.what() << "\n";
    return kExitUsage;
  }
  rtl::SetProgramDirectory(options.dir);
  try {
    PrintStartLines(options, out);
    std::unique_ptr<RegisterLock> lock;
    try {
      lock =
          std::make_unique<RegisterLock>(options.dir, options.filial, options.caixa, options.loja);
    } catch (const LockHeldError& e) {
      err << "hostagent: o caixa ja esta em execucao: " << e.what() << "\n";
      return kExitRegisterBusy;
    }
    // Before the worker: a store short of a column would leave every order failing on it.
    const int schema = CheckStoreSchema(options.dir, out, err);
    if (schema != kExitOk) return schema;
    const RunSnapshot before = TakeSnapshot(options.filial, options.loja, options.caixa);
    ModuleLoader module(options.module_path.empty() ? DefaultModulePath() : options.module_path);
    module.Dispara(options.filial.c_str(), options.caixa.c_str(), options.loja.c_str(), abertura);
    // From here a signal or the time limit stops the worker, wherever it is.
    out << "THREAD iniciada\n";
    out.flush();
    Housekeeping housekeeping(options, module);
    const Ending ending = WaitForEnding(options, module, signals, start, housekeeping, out);
    const bool stopped = module.Finaliza(kEsperaParadaMs) != 0;
    const WorkerEnd end = ReadWorkerEnd(module);
    const RunSnapshot after = TakeSnapshot(options.filial, options.loja, options.caixa);
    out << "Encerrando: " << EndingText(ending) << "\n";
    // A log that was never written is explained by the error that ended the worker.
    PrintSummary(out, before, after, end.reason == Cli_Qam00417::kFimErro ? end.message : "");
    if (!stopped) {
      module.Keep();
      static_cast<void>(lock.release());  // the worker still runs: the lock goes with the process
      err << "hostagent: a THREAD nao terminou em " << kEsperaParadaMs
          << " ms; modulo mantido carregado\n";
      return kExitWorkerStuck;
    }
    return ending.why == Why::WorkerEnded ? ReportWorkerEnd(end, options, err) : kExitOk;
  } catch (const std::exception& e) {
    err << "hostagent: " << e.what() << "\n";
    return kExitHostError;
  }
}

}  // namespace hostagent
