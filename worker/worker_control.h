#pragma once
// The coordination between the host's thread and the module's one worker: who may start a
// worker, how a running worker is asked to stop, how long it pauses, and what it is doing.
//
// Thread safety: every function may be called from any thread.

#include <condition_variable>
#include <future>
#include <mutex>

namespace Cli_Qam00417 {

class WorkerControl {
 public:
  static WorkerControl& Instance();

  // Claims the one worker slot for a new worker; false when a worker still runs. A claim
  // clears any earlier stop request and sets the status to "starting".
  bool TryClaim();
  // Gives back a claim whose worker never started.
  void AbandonClaim();
  // Hands over the future that becomes ready once the claimed worker's thread has exited.
  void SetThreadExit(std::future<void> exited);
  // Called by the worker as its last act on the module's state: the slot is free again.
  void Release();

  // Asks the running worker to stop after its current order or pass, and wakes its pause.
  void RequestStop();
  bool StopRequested() const;
  // Pauses the calling worker for `ms` milliseconds, or less when a stop is requested.
  // Returns false when a stop was requested.
  bool Pause(int ms);

  // Waits at most `timeout_ms` for the worker's thread to exit; true when no worker thread is
  // left (including when none was ever started).
  bool WaitForEnd(int timeout_ms);

  void SetStatus(int status);
  int Status() const;
  // Completed passes of the current or last worker.
  long Passes() const;
  // Records the end of a pass and how many pending orders it saw.
  void EndPass(int pending);

 private:
  WorkerControl() = default;

  mutable std::mutex mutex_;
  std::condition_variable stop_cv_;
  bool active_ = false;  // a worker holds the slot
  bool stop_ = false;    // a stop was requested of the current worker
  int status_ = 0;       // kStatus... of worker_status.h
  long passes_ = 0;
  // Ready when the current and the previous worker thread have exited: a worker gives the slot
  // back just before its thread ends, so the previous thread may still be finishing.
  std::shared_future<void> exited_;
  std::shared_future<void> previous_exited_;
};

}  // namespace Cli_Qam00417
