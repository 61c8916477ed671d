#include "worker/worker_control.h"

#include <chrono>

#include "worker/worker_status.h"

namespace Cli_Qam00417 {

namespace {

bool ReadyWithin(const std::shared_future<void>& exited,
                 std::chrono::steady_clock::time_point deadline) {
  return !exited.valid() || exited.wait_until(deadline) == std::future_status::ready;
}

}  // namespace

WorkerControl& WorkerControl::Instance() {
  // Never destroyed: a worker may still consult it while the module's statics are torn down.
  static WorkerControl* control = new WorkerControl;
  return *control;
}

bool WorkerControl::TryClaim() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (active_) return false;
  active_ = true;
  stop_ = false;
  status_ = kStatusIniciando;
  passes_ = 0;
  return true;
}

void WorkerControl::AbandonClaim() {
  Release();
}

void WorkerControl::SetThreadExit(std::future<void> exited) {
  std::lock_guard<std::mutex> lock(mutex_);
  previous_exited_ = exited_;
  exited_ = exited.share();
}

void WorkerControl::Release() {
  std::lock_guard<std::mutex> lock(mutex_);
  active_ = false;
  status_ = kStatusSemWorker;
}

void WorkerControl::RequestStop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (active_) stop_ = true;
  }
  stop_cv_.notify_all();
}

bool WorkerControl::StopRequested() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stop_;
}

bool WorkerControl::Pause(int ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  stop_cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_; });
  return !stop_;
}

bool WorkerControl::WaitForEnd(int timeout_ms) {
  std::shared_future<void> current, previous;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    current = exited_;
    previous = previous_exited_;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  return ReadyWithin(previous, deadline) && ReadyWithin(current, deadline);
}

void WorkerControl::SetStatus(int status) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (active_) status_ = status;
}

int WorkerControl::Status() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

long WorkerControl::Passes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return passes_;
}

void WorkerControl::EndPass(int pending) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++passes_;
  if (active_) status_ = pending > 0 ? kStatusPendentes : kStatusOcioso;
}

}  // namespace Cli_Qam00417
