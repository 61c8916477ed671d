#pragma once
// A unit of work on the data module's single transaction: StartTrans on construction (joining a
// transaction that is already open), CommitTrans on Commit(), and RollbackTrans when it goes out
// of scope without Commit(), on every way out, an error included. The transaction does not
// nest: committing or rolling back ends it for whoever else joined it.
//
// A roll-back that fails in the destructor is swallowed, as a destructor must not raise; the
// error that brought the scope down is the one the caller reports. Where a failed roll-back must
// itself be reported, call RollbackTrans explicitly instead.

namespace Cli_Qam00417 {

class TrdmImpExpKds;

class TransactionScope {
 public:
  // With `start` false the transaction is begun later by Start(), while a failure before that
  // still rolls back on the way out (a transaction the caller holds open, too).
  explicit TransactionScope(TrdmImpExpKds& dm, bool start = true);
  ~TransactionScope();
  TransactionScope(const TransactionScope&) = delete;
  TransactionScope& operator=(const TransactionScope&) = delete;

  void Start();
  // Leaves the transaction as it stands on the way out: nothing was done that needs undoing.
  void Dismiss() { done_ = true; }
  // Commits; a failed commit raises, and the destructor then rolls back.
  void Commit();

 private:
  TrdmImpExpKds& dm_;
  bool done_ = false;  // committed or dismissed
};

}  // namespace Cli_Qam00417
