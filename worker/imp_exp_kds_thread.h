#pragma once
// TImpExpKdsThread: the background worker of one cash register. It reads the register's
// settings and the local cached tables into the data module's run state, starts the printer
// library of the register's model, finishes the documents its recorded sales still owe, then
// scans the pending orders once per pass with a pause of one second between passes, until the
// switch is off, a start-up step fails, or the host asks it to stop (WorkerControl). Before each
// pass it asks whether the register can close sales at all: a register paused by a fault of its
// own (datamodule/register_pause.h) closes nothing and issues nothing until it is mended. A stop
// asked while it starts ends it before its printer start and before any pass: such a worker closes
// no order.
//
// Ownership: the object frees itself when its thread ends (free on terminate); whoever creates
// it must not keep or delete it. The caller claims the worker slot (WorkerControl::TryClaim)
// before constructing it; the worker gives the slot back when it ends.

#include <atomic>
#include <string>

#include "rtl/datetime.h"

namespace Cli_Qam00417 {

class TrdmImpExpKds;

class TImpExpKdsThread {
 public:
  // Stores the four start values and starts the thread at once. Never raises: a failure to
  // start the thread is logged with the suffix " - Qam00417 - Funcao:TImpExpKdsThread.Create"
  // and the slot is given back; such an object has no thread to free it and stays allocated.
  TImpExpKdsThread(const std::string& CDFILIAL, const std::string& CDCAIXA,
                   const std::string& CDLOJA, rtl::TDateTime dtAberturaCaixa);
  virtual ~TImpExpKdsThread();
  TImpExpKdsThread(const TImpExpKdsThread&) = delete;
  TImpExpKdsThread& operator=(const TImpExpKdsThread&) = delete;

  // The terminate request: set by the worker itself as it ends.
  void Terminate() { terminated_ = true; }

 protected:
  // The worker body; runs on the new thread and never raises.
  virtual void Execute();

 private:
  static void Run(TImpExpKdsThread* self);
  void StartUp(bool& boImpAutCupExp);
  void ScanLoop(bool boImpAutCupExp);
  // One pass: the scan, the document pass and the NFC-e transmission; `retomando` after a pause,
  // when the document pass goes first.
  void Pass(TrdmImpExpKds& dm, bool retomando);
  // Asks whether the register's fault pauses it (datamodule/register_pause.h), logging its
  // beginning, reminders and end.
  bool CaixaParado(TrdmImpExpKds& dm);
  void AnunciaValidadeCertificado();
  void LogTerminate();

  bool FreeOnTerminate = false;
  std::string cdFilial;
  std::string cdCaixa;
  std::string cdLoja;
  rtl::TDateTime dtAberturaCaixa = 0;
  std::atomic<bool> terminated_{false};
};

}  // namespace Cli_Qam00417
