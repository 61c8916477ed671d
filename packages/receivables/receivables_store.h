#pragma once
// The receivables routines' access to the store: the data module's connection, transactions
// that join an open one, and errors that say which table failed. Internal to the package.

#include <string>

#include "db/connection.h"
#include "db/db_error.h"

namespace VyrRecebimento {

// The connection of `rdmRecebimento`, creating the data module when there is none yet and
// connecting it when it is not connected. Raises ado::EADOError when the store is unreachable.
ado::TADOConnection& ConexaoRecebimento();

// Joins the connection's open transaction or, when there is none, begins one of its own, which
// Commit() commits and the destructor rolls back when it was not committed. Only a transaction
// of its own is committed or rolled back here; a joined one stays the caller's.
class Transacao {
 public:
  explicit Transacao(ado::TADOConnection& conexao);
  ~Transacao();
  Transacao(const Transacao&) = delete;
  Transacao& operator=(const Transacao&) = delete;

  void Commit();

 private:
  ado::TADOConnection& conexao_;
  const bool propria_;
};

// Raises `erro` again with `contexto` + ": " in front of its message, keeping what the
// database reported (state, native code, lost connection).
[[noreturn]] void Relanca(const std::string& contexto, const ado::EADOError& erro);

}  // namespace VyrRecebimento
