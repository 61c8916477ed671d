#pragma once
// A unit of work that joins the connection's open transaction or, when there is none, begins one
// of its own. Commit() commits only a transaction of its own; the destructor rolls back a
// transaction of its own that was not committed (quietly: the error that brought it there is the
// one to report). A joined transaction stays the caller's to commit or roll back.

#include "db/connection.h"

namespace ado {

class JoinedTransaction {
 public:
  explicit JoinedTransaction(TADOConnection& connection);
  ~JoinedTransaction();
  JoinedTransaction(const JoinedTransaction&) = delete;
  JoinedTransaction& operator=(const JoinedTransaction&) = delete;

  void Commit();
  // True when the transaction is the caller's, not one of its own.
  bool Joined() const { return !own_; }

 private:
  TADOConnection& connection_;
  const bool own_;
};

}  // namespace ado
