#pragma once
// The module's entry for the host agent, and the stop and status queries that go with it.
//
// The entry is exported twice: with C linkage (texts as const char*, the date-time as a
// double) and under its qualified C++ name. The host calls them on its own thread; they return
// without waiting for the worker.

#include <string>

#include "rtl/datetime.h"

namespace Cli_Qam00417 {

// Logs "INICIO THREAD_<branch>_<register>_<store><date-time>" and starts the register's
// worker. When a worker already runs in this process the call is refused with a log line and
// nothing starts: every worker would share the one data module and connection. Raises
// rtl::EInOutError when the first log line cannot be written (then nothing starts).
void DisparaImpPedExpKDS(const std::string& CDFILIAL, const std::string& CDCAIXA,
                         const std::string& CDLOJA, rtl::TDateTime dtAberturaCaixa);

// Asks a running worker to stop after its current order or pass and waits at most
// `timeout_ms` for its thread to end. True when no worker thread is left.
bool FinalizaImpPedExpKDS(int timeout_ms);

// One of the kStatus... values of worker/worker_status.h.
int StatusImpPedExpKDS();

// Why the last worker ended: one of the kFim... values of worker/worker_status.h, and for
// kFimErro the message of the error that ended it (as logged, without the function suffix).
int MotivoFimImpPedExpKDS(std::string* message);

}  // namespace Cli_Qam00417

extern "C" {
// As above. A failure of the first log line cannot cross the C boundary: it is reported on
// the standard error stream and nothing starts.
void DisparaImpPedExpKDS(const char* CDFILIAL, const char* CDCAIXA, const char* CDLOJA,
                         double dtAberturaCaixa);
// 1 when no worker thread is left, 0 when the worker did not end within the time.
int FinalizaImpPedExpKDS(int timeout_ms);
int StatusImpPedExpKDS(void);
// Passes over the pending orders ended since the module was loaded: a host records the time
// of the last one where an operator can see it.
long PassagensImpPedExpKDS(void);
// As above; the message is copied into `message` (at most `size` bytes with the terminating
// NUL, cut if longer). `message` may be null when `size` is 0.
int MotivoFimImpPedExpKDS(char* message, int size);
}
