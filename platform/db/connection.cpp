#include "db/connection.h"

#include "db/backend.h"
#include "db/db_error.h"
#include "db/interrupt_gate.h"

namespace ado {

std::function<void()> OnLockWait;

TADOConnection::TADOConnection() : gate_(std::make_shared<InterruptGate>()) {}
TADOConnection::~TADOConnection() = default;

void TADOConnection::SetConnected(bool connected) {
  if (connected) {
    EnsureBackend();
  } else {
    backend_.reset();
  }
}

bool TADOConnection::Connected() const {
  return backend_ != nullptr;
}

Backend& TADOConnection::EnsureBackend() {
  if (backend_) return *backend_;
  if (connecting_) throw EADOError("The connection is still connecting");
  connecting_ = true;
  try {
    if (BeforeConnect) BeforeConnect(*this);
    backend_ = OpenBackend(ConnectionString, gate_);
    ++generation_;
    // A connection whose set-up failed is closed again, so the next statement retries the
    // whole connect, set-up included, instead of running on a half-prepared session.
    if (AfterConnect) AfterConnect(*this);
  } catch (...) {
    connecting_ = false;
    backend_.reset();
    throw;
  }
  connecting_ = false;
  if (!backend_) throw EADOError("The connection was lost while connecting", "08S01", 0, true);
  return *backend_;
}

void TADOConnection::DropLostConnection() {
  backend_.reset();
}

template <typename Action>
void TADOConnection::Guarded(Action action) {
  try {
    action(EnsureBackend());
  } catch (const EADOError& error) {
    if (error.ConnectionLost()) DropLostConnection();
    throw;
  }
}

Dialect TADOConnection::GetDialect() {
  return EnsureBackend().GetDialect();
}

std::string TADOConnection::DbmsName() {
  return EnsureBackend().DbmsName();
}

bool TADOConnection::InTransaction() const {
  return backend_ && backend_->InTransaction();
}

void TADOConnection::BeginTrans() {
  if (InTransaction()) throw rtl::EInvalidOperation("BeginTrans: a transaction is already open");
  ThrowIfInterrupted();
  Guarded([](Backend& backend) { backend.Begin(); });
}

void TADOConnection::CommitTrans() {
  if (!InTransaction()) throw rtl::EInvalidOperation("CommitTrans: no transaction is open");
  Guarded([](Backend& backend) { backend.Commit(); });
}

void TADOConnection::RollbackTrans() {
  if (!InTransaction()) throw rtl::EInvalidOperation("RollbackTrans: no transaction is open");
  Guarded([](Backend& backend) { backend.Rollback(); });
}

void TADOConnection::ExecuteDirect(const std::string& sql) {
  ThrowIfInterrupted();
  Guarded([&sql](Backend& backend) { backend.ExecuteDirect(sql); });
}

void TADOConnection::Interrupt() noexcept {
  gate_->Interrupt();
}

void TADOConnection::ClearInterrupt() noexcept {
  gate_->Clear();
}

bool TADOConnection::InterruptRequested() const noexcept {
  return gate_->Interrupted();
}

void TADOConnection::ThrowIfInterrupted() const {
  gate_->ThrowIfInterrupted();
}

}  // namespace ado
