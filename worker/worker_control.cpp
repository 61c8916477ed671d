#include "worker/worker_control.h"

#include <chrono>
#include <utility>

#include "worker/worker_status.h"

namespace Cli_Qam00417 {

WorkerControl& WorkerControl::Instance() {
  // Built before the unload guard of the entry (which asks for it first), so destroyed after
  // the guard has waited for the worker.
  static WorkerControl control;
  return control;
}

WorkerControl::~WorkerControl() {
  if (thread_.joinable()) thread_.detach();
}

bool WorkerControl::TryClaim() {
  std::thread finished;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (active_) return false;
    active_ = true;
    stop_ = false;
    status_ = kStatusIniciando;
    changes_ = 0;
    end_reason_ = kFimNenhum;
    end_message_.clear();
    finished = std::move(thread_);
  }
  if (finished.joinable()) finished.join();
  return true;
}

void WorkerControl::AbandonClaim() {
  Release();
}

void WorkerControl::Adopt(std::thread thread) {
  std::lock_guard<std::mutex> lock(mutex_);
  thread_ = std::move(thread);
}

void WorkerControl::Release() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    active_ = false;
    interrupter_ = nullptr;
    status_ = kStatusSemWorker;
  }
  end_cv_.notify_all();
}

void WorkerControl::RequestStop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (active_) {
      stop_ = true;
      if (interrupter_) interrupter_();
    }
  }
  stop_cv_.notify_all();
}

void WorkerControl::SetInterrupter(std::function<void()> interrupter) {
  std::lock_guard<std::mutex> lock(mutex_);
  interrupter_ = std::move(interrupter);
  if (stop_ && interrupter_) interrupter_();
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
  std::thread finished;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!end_cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                          [this] { return !active_; })) {
      return false;
    }
    finished = std::move(thread_);
  }
  if (finished.joinable()) finished.join();
  return true;
}

void WorkerControl::SetStatus(int status) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (active_) status_ = status;
}

int WorkerControl::Status() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

void WorkerControl::EndPass(int pending, int changed) {
  std::function<void()> observer;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++passes_;
    if (active_) {
      status_ = changed > 0 ? kStatusAlterou : (pending > 0 ? kStatusPendentes : kStatusOcioso);
    }
    observer = pass_observer_;
  }
  if (observer) observer();
}

void WorkerControl::EndPausedPass() {
  std::function<void()> observer;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++passes_;
    if (active_) status_ = kStatusCaixaParado;
    observer = pass_observer_;
  }
  if (observer) observer();
}

void WorkerControl::SetPassObserver(std::function<void()> observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  pass_observer_ = std::move(observer);
}

void WorkerControl::NoteChange() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++changes_;
}

long WorkerControl::Passes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return passes_;
}

long WorkerControl::Changes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return changes_;
}

void WorkerControl::SetEnd(int reason, const std::string& message) {
  std::lock_guard<std::mutex> lock(mutex_);
  end_reason_ = reason;
  end_message_ = message;
}

int WorkerControl::EndReason() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return end_reason_;
}

std::string WorkerControl::EndMessage() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return end_message_;
}

}  // namespace Cli_Qam00417
