#include "db/joined_transaction.h"

namespace ado {

JoinedTransaction::JoinedTransaction(TADOConnection& connection)
    : connection_(connection), own_(!connection.InTransaction()) {
  if (own_) connection_.BeginTrans();
}

JoinedTransaction::~JoinedTransaction() {
  if (!own_ || !connection_.InTransaction()) return;
  try {
    connection_.RollbackTrans();
  } catch (...) {
    // A destructor must not raise.
  }
}

void JoinedTransaction::Commit() {
  if (own_) connection_.CommitTrans();
}

}  // namespace ado
