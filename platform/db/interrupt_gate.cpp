#include "db/interrupt_gate.h"

#include "db/db_error.h"

namespace ado {

void InterruptGate::Interrupt() {
  std::lock_guard<std::mutex> lock(mutex_);
  interrupted_ = true;
  if (cancel_ && !pausing_) cancel_();
  wake_.notify_all();
}

void InterruptGate::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  interrupted_ = false;
}

bool InterruptGate::Interrupted() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return interrupted_;
}

void InterruptGate::ThrowIfInterrupted() const {
  if (Interrupted()) throw EADOError::Interruption();
}

bool InterruptGate::Pause(std::chrono::milliseconds pause) {
  std::unique_lock<std::mutex> lock(mutex_);
  pausing_ = true;
  bool interrupted = wake_.wait_for(lock, pause, [this] { return interrupted_; });
  pausing_ = false;
  return !interrupted;
}

InterruptGate::Run::Run(InterruptGate& gate, Canceller cancel) : gate_(gate) {
  std::lock_guard<std::mutex> lock(gate_.mutex_);
  if (gate_.interrupted_) throw EADOError::Interruption();
  previous_ = std::move(gate_.cancel_);
  gate_.cancel_ = std::move(cancel);
}

InterruptGate::Run::~Run() {
  std::lock_guard<std::mutex> lock(gate_.mutex_);
  gate_.cancel_ = std::move(previous_);
}

}  // namespace ado
