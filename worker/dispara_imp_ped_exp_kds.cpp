#include "worker/dispara_imp_ped_exp_kds.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "datamodule/rdm_imp_exp_kds.h"
#include "worker/imp_exp_kds_thread.h"
#include "worker/log_imp_exp_kds.h"
#include "worker/worker_control.h"
#include "worker/worker_status.h"

namespace Cli_Qam00417 {

namespace {

// How long unloading the module (or ending the process) waits for a running worker.
constexpr int kEsperaDescarregarMs = 10000;

// Unloading the module while its worker runs would pull the code from under the thread: the
// unload asks the worker to stop and waits for it. Once no worker is left, the data module goes
// with the module's code; left behind, it would keep its connection open for the rest of the
// process, once per load of the module.
struct StopOnUnload {
  StopOnUnload() { WorkerControl::Instance(); }
  ~StopOnUnload() {
    if (!FinalizaImpPedExpKDS(kEsperaDescarregarMs)) {
      std::fprintf(stderr, "Pkg_Qam00417: THREAD nao terminou ao descarregar o modulo\n");
      return;
    }
    delete rdmImpExpKds;
    rdmImpExpKds = nullptr;
  }
};

StopOnUnload stop_on_unload;

std::string Texto(const char* text) {
  return text == nullptr ? std::string() : text;
}

}  // namespace

void DisparaImpPedExpKDS(const std::string& CDFILIAL, const std::string& CDCAIXA,
                         const std::string& CDLOJA, rtl::TDateTime dtAberturaCaixa) {
  const std::string thread = "THREAD_" + CDFILIAL + "_" + CDCAIXA + "_" + CDLOJA;
  // A refused second call of this process keeps the running worker's log.
  if (WorkerControl::Instance().Status() == kStatusSemWorker) {
    DefineCaixaDoLog(CDFILIAL, CDCAIXA, CDLOJA);
  }
  LogImpExpKDS("INICIO " + thread + rtl::DateTimeToStr(dtAberturaCaixa));
  if (!WorkerControl::Instance().TryClaim()) {
    LogImpExpKDS("Chamada recusada: " + thread + " - ja existe uma THREAD em execucao");
    return;
  }
  new TImpExpKdsThread(CDFILIAL, CDCAIXA, CDLOJA, dtAberturaCaixa);  // frees itself
}

bool FinalizaImpPedExpKDS(int timeout_ms) {
  WorkerControl& control = WorkerControl::Instance();
  control.RequestStop();
  return control.WaitForEnd(timeout_ms);
}

int StatusImpPedExpKDS() {
  return WorkerControl::Instance().Status();
}

int MotivoFimImpPedExpKDS(std::string* message) {
  const WorkerControl& control = WorkerControl::Instance();
  if (message != nullptr) *message = control.EndMessage();
  return control.EndReason();
}

}  // namespace Cli_Qam00417

extern "C" void DisparaImpPedExpKDS(const char* CDFILIAL, const char* CDCAIXA, const char* CDLOJA,
                                    double dtAberturaCaixa) {
  try {
    Cli_Qam00417::DisparaImpPedExpKDS(Cli_Qam00417::Texto(CDFILIAL), Cli_Qam00417::Texto(CDCAIXA),
                                      Cli_Qam00417::Texto(CDLOJA), dtAberturaCaixa);
  } catch (const std::exception& e) {
    Cli_Qam00417::WorkerControl::Instance().SetEnd(Cli_Qam00417::kFimErro, e.what());
    std::fprintf(stderr, "DisparaImpPedExpKDS: %s\n", e.what());
  }
}

extern "C" int FinalizaImpPedExpKDS(int timeout_ms) {
  return Cli_Qam00417::FinalizaImpPedExpKDS(timeout_ms) ? 1 : 0;
}

extern "C" int StatusImpPedExpKDS(void) {
  return Cli_Qam00417::StatusImpPedExpKDS();
}

extern "C" long PassagensImpPedExpKDS(void) {
  return Cli_Qam00417::WorkerControl::Instance().Passes();
}

extern "C" int MotivoFimImpPedExpKDS(char* message, int size) {
  std::string text;
  const int reason = Cli_Qam00417::MotivoFimImpPedExpKDS(&text);
  if (message != nullptr && size > 0) {
    const size_t length = std::min(text.size(), static_cast<size_t>(size) - 1);
    text.copy(message, length);
    message[length] = '\0';
  }
  return reason;
}
