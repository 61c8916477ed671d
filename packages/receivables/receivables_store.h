#pragma once
// The receivables routines' access to the store: the data module's connection, transactions
// that join an open one, and errors that say which table failed. Internal to the package.

#include <string>

#include "db/connection.h"
#include "db/db_error.h"
#include "db/joined_transaction.h"
#include "db/statement_kit.h"

namespace VyrRecebimento {

// The connection of `rdmRecebimento`, creating the data module when there is none yet and
// connecting it when it is not connected. Raises ado::EADOError when the store is unreachable.
ado::TADOConnection& ConexaoRecebimento();

// The bindings of a consumer's key (P_CDCLIENTE, P_CDCONSUMIDOR), followed by `mais`.
ado::Bindings ChaveConsumidor(const std::string& CDCLIENTE, const std::string& CDCONSUMIDOR,
                              const ado::Bindings& mais = {});

// Raises `erro` again with `contexto` + ": " in front of its message, keeping what the
// database reported (state, native code, lost connection).
// The package's units of work join the caller's transaction or run their own.
using Transacao = ado::JoinedTransaction;

[[noreturn]] void Relanca(const std::string& contexto, const ado::EADOError& erro);

}  // namespace VyrRecebimento
