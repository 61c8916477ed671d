#include "hostagent/run_command.h"

#include <signal.h>

#include <chrono>
#include <ctime>
#include <exception>
#include <ostream>

#include "hostagent/module_loader.h"
#include "hostagent/run_summary.h"
#include "rtl/datetime.h"
#include "rtl/program_dir.h"
#include "worker/worker_status.h"

namespace hostagent {

namespace {

constexpr int kEsperaParadaMs = 30000;
constexpr long kPassoEsperaNs = 100 * 1000 * 1000;

// SIGINT and SIGTERM are blocked in every thread (the worker inherits the mask) and taken
// synchronously by the waiting loop, so no handler runs in the middle of the module's work.
sigset_t BlockStopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  return signals;
}

// Waits for a stop signal, for the worker to become idle or for the time limit.
std::string WaitForReason(const RunOptions& options, const ModuleLoader& module,
                          const sigset_t& signals) {
  const auto start = std::chrono::steady_clock::now();
  const timespec step{0, kPassoEsperaNs};
  for (;;) {
    const int signal = sigtimedwait(&signals, nullptr, &step);
    if (signal == SIGINT || signal == SIGTERM) return "sinal recebido";
    const int status = module.Status();
    if (status == Cli_Qam00417::kStatusSemWorker) return "a thread terminou";
    if (options.until_idle && status == Cli_Qam00417::kStatusOcioso) return "sem pedidos pendentes";
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (options.max_seconds > 0 && elapsed.count() >= options.max_seconds) {
      return "tempo maximo atingido";
    }
  }
}

rtl::TDateTime Abertura(const std::string& text) {
  return text.empty() ? rtl::Now() : rtl::ParseSqlDateTime(text);
}

}  // namespace

int RunHost(const RunOptions& options, std::ostream& out, std::ostream& err) {
  const sigset_t signals = BlockStopSignals();
  rtl::SetProgramDirectory(options.dir);
  try {
    const rtl::TDateTime abertura = Abertura(options.abertura);
    const RunSnapshot before = TakeSnapshot(options.filial, options.loja);
    ModuleLoader module(options.module_path.empty() ? DefaultModulePath() : options.module_path);
    module.Dispara(options.filial.c_str(), options.caixa.c_str(), options.loja.c_str(), abertura);
    out << "Encerrando: " << WaitForReason(options, module, signals) << "\n";
    if (module.Finaliza(kEsperaParadaMs) == 0) {
      module.Keep();
      err << "A thread nao terminou em " << kEsperaParadaMs << " ms; modulo mantido carregado\n";
      PrintSummary(out, before, TakeSnapshot(options.filial, options.loja));
      return 2;
    }
    PrintSummary(out, before, TakeSnapshot(options.filial, options.loja));
    return 0;
  } catch (const std::exception& e) {
    err << "hostagent: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace hostagent
