#pragma once
// The coordination between the host's thread and the module's one worker: who may start a
// worker, how a running worker is asked to stop, how long it pauses, and what it is doing.
//
// Thread safety: every function may be called from any thread.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace Cli_Qam00417 {

class WorkerControl {
 public:
  static WorkerControl& Instance();

  // Claims the one worker slot for a new worker; false when a worker still runs. A claim
  // clears any earlier stop request and sets the status to "starting".
  bool TryClaim();
  // Gives back a claim whose worker never started.
  void AbandonClaim();
  // Takes the claimed worker's thread, to be joined once the worker has given the slot back.
  void Adopt(std::thread thread);
  // Called by the worker as its last act on the module's state: the slot is free again.
  void Release();

  // Asks the running worker to stop after its current order or pass, wakes its pause and runs
  // the interrupter, so that a statement waiting on a blocked database ends now.
  void RequestStop();
  // What a stop request interrupts besides the pause: set by the worker once its connections
  // exist (run at once when a stop was already requested), dropped when the worker releases
  // the slot. Must not raise; runs under the control's lock.
  void SetInterrupter(std::function<void()> interrupter);
  bool StopRequested() const;
  // Pauses the calling worker for `ms` milliseconds, or less when a stop is requested.
  // Returns false when a stop was requested.
  bool Pause(int ms);

  // Waits at most `timeout_ms` for the worker to give the slot back, then joins its thread;
  // true when no worker is left (including when none was ever started). After a true result
  // no code of the module runs on the worker's thread any more.
  bool WaitForEnd(int timeout_ms);

  void SetStatus(int status);
  int Status() const;
  // Records the end of a pass: how many pending orders it saw and how many changes it made
  // (orders marked, closed or removed; documents issued, receipts printed, notes settled). A pass
  // that changed nothing is idle (kStatusOcioso or kStatusPendentes); one that changed something is
  // not (kStatusAlterou). Then runs the pass observer, outside the control's lock.
  void EndPass(int pending, int changed);
  // Records the end of a pass that closed nothing because the register is paused by a fault of
  // its own (kStatusCaixaParado), then runs the pass observer as EndPass does.
  void EndPausedPass();
  // Seam for whoever must act once a pass has ended (a test waiting for the first pass): called
  // on the worker's thread after each pass, once its status is recorded. Empty by default.
  void SetPassObserver(std::function<void()> observer);
  // Called once for every order the scan (or the closing) marks, closes or removes, every sale
  // whose document or receipt the document pass issues, every note the transmission settles.
  void NoteChange();
  // Changes made by the current or last worker.
  long Changes() const;
  // Passes ended since the module was loaded (the host records when the last one ended).
  long Passes() const;

  // Records why the worker ended (kFim... of worker_status.h) and, for kFimErro, the message
  // of the error. Cleared by TryClaim.
  void SetEnd(int reason, const std::string& message = "");
  int EndReason() const;
  std::string EndMessage() const;

 private:
  WorkerControl() = default;
  // A worker that did not stop in time keeps its thread: it is let go rather than joined.
  ~WorkerControl();

  mutable std::mutex mutex_;
  std::condition_variable stop_cv_;    // a stop was requested
  std::condition_variable end_cv_;     // the worker gave the slot back
  bool active_ = false;                // a worker holds the slot
  bool stop_ = false;                  // a stop was requested of the current worker
  std::function<void()> interrupter_;  // of the current worker, once its connections exist
  int status_ = 0;                     // kStatus... of worker_status.h
  std::function<void()> pass_observer_;
  long changes_ = 0;
  long passes_ = 0;
  int end_reason_ = 0;  // kFim... of worker_status.h
  std::string end_message_;
  // The last worker's thread, until joined. A worker gives the slot back as its last act, so
  // joining a thread whose worker has done so waits only for the thread's own exit.
  std::thread thread_;
};

}  // namespace Cli_Qam00417
