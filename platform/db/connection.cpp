#include "db/connection.h"

#include "db/backend.h"
#include "db/db_error.h"

namespace ado {

TADOConnection::TADOConnection() = default;
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
    backend_ = OpenBackend(ConnectionString);
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
  Guarded([](Backend& backend) {
    if (backend.InTransaction()) throw EADOError("A transaction is already open");
    backend.Begin();
  });
}

void TADOConnection::CommitTrans() {
  if (!InTransaction()) throw EADOError("No transaction is open");
  Guarded([](Backend& backend) { backend.Commit(); });
}

void TADOConnection::RollbackTrans() {
  if (!InTransaction()) throw EADOError("No transaction is open");
  Guarded([](Backend& backend) { backend.Rollback(); });
}

void TADOConnection::ExecuteDirect(const std::string& sql) {
  Guarded([&sql](Backend& backend) { backend.ExecuteDirect(sql); });
}

}  // namespace ado
