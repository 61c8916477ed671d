#pragma once
// TrdmRecebimento: the receivables package's data module. It owns its own connection to the
// store database, separate from any other module's: the two never share a transaction.
//
// One process-wide instance, `rdmRecebimento`, created by whoever needs it first and freed
// when the package is unloaded (or the process ends). Not thread-safe: the instance is used by one
// thread at a time.

#include "db/connection.h"

namespace VyrRecebimento {

class TrdmRecebimento {
 public:
  // Builds the components; does not connect. Connecting (adcRecebimento.SetConnected(true))
  // takes the connection string from VyrUtil::GetStringConexVyr and sets the session up with
  // VyrUtil::SetADODBSession; a failure raises ado::EADOError.
  TrdmRecebimento();
  ~TrdmRecebimento();
  TrdmRecebimento(const TrdmRecebimento&) = delete;
  TrdmRecebimento& operator=(const TrdmRecebimento&) = delete;

  ado::TADOConnection adcRecebimento;
};

// The process-wide instance; null until created.
extern TrdmRecebimento* rdmRecebimento;

}  // namespace VyrRecebimento
