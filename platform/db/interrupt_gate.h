#pragma once
// The stop request of one connection, shared by the connection, its backend and the statement
// that runs on it. Private to the database layer.
//
// Interrupt() and Clear() may be called from any thread; the rest runs on the thread that uses
// the connection. A running statement registers a canceller (sqlite3_interrupt, SQLCancel) for
// the length of its run; Interrupt() calls it under the gate's lock, and a statement leaves the
// gate before its driver handle can be freed, so a canceller never meets a freed handle.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace ado {

class InterruptGate {
 public:
  using Canceller = std::function<void()>;

  // Closes the gate until Clear(). A statement that pauses (waits for a lock) is woken and left
  // to fail on its own; one that works is cancelled through its canceller.
  void Interrupt();
  void Clear();
  bool Interrupted() const;
  // Raises EADOError::Interruption() while the gate is closed.
  void ThrowIfInterrupted() const;

  // Waits `pause`, or less when Interrupt() comes meanwhile; false when interrupted. Ending a
  // lock wait this way, rather than by cancelling, keeps SQLite from rolling back the open
  // transaction as it does for a statement interrupted at work.
  bool Pause(std::chrono::milliseconds pause);

  // One interruptible statement run: refused with EADOError::Interruption() when the gate is
  // closed; `cancel` is called by Interrupt() until the run ends.
  class Run {
   public:
    Run(InterruptGate& gate, Canceller cancel);
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

   private:
    InterruptGate& gate_;
    Canceller previous_;
  };

 private:
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool interrupted_ = false;
  bool pausing_ = false;
  Canceller cancel_;  // of the statement that runs
};

}  // namespace ado
