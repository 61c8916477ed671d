#include "datamodule/transaction_scope.h"

#include "datamodule/rdm_imp_exp_kds.h"

namespace Cli_Qam00417 {

TransactionScope::TransactionScope(TrdmImpExpKds& dm, bool start) : dm_(dm) {
  if (start) Start();
}

void TransactionScope::Start() {
  dm_.StartTrans();
}

TransactionScope::~TransactionScope() {
  if (done_) return;
  try {
    dm_.RollbackTrans();
  } catch (...) {
    // The connection may be gone, and its transaction with it.
  }
}

void TransactionScope::Commit() {
  dm_.CommitTrans();
  done_ = true;
}

}  // namespace Cli_Qam00417
