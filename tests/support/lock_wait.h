#pragma once
// The hand-off for tests that hold a store's lock and must act once the code under test waits
// for it: for the life of the object, the database layer's lock-wait seam (ado::OnLockWait)
// tells it when a statement finds the store locked and pauses. No sleep guesses the moment.
//
// Create it before the waiting statement starts and keep it until that statement has ended.

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "db/connection.h"
#include "support/package_fakes.h"

namespace vyrtest {

class LockWaitWatch {
 public:
  LockWaitWatch() = default;
  LockWaitWatch(const LockWaitWatch&) = delete;
  LockWaitWatch& operator=(const LockWaitWatch&) = delete;

  // Waits until a statement waits for the lock; false when none did within `bound` (a failure
  // bound only: it passes as soon as the statement waits).
  bool WaitForWaiter(std::chrono::milliseconds bound = std::chrono::seconds(30)) {
    std::unique_lock<std::mutex> lock(mutex_);
    return waiting_cv_.wait_for(lock, bound, [this] { return waiting_; });
  }

 private:
  void Note() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      waiting_ = true;
    }
    waiting_cv_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable waiting_cv_;
  bool waiting_ = false;
  ScopedOverride<std::function<void()>> seam_{ado::OnLockWait, [this] { Note(); }};
};

}  // namespace vyrtest
