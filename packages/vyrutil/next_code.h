#pragma once
// TdtmVyrProxCodigo: the shared next-code service. It hands out sale numbers per branch and cash
// register from the counter table PROXCODIGO (CDFILIAL, CDCAIXA, NRULTSEQVENDA), which holds
// the last number handed out.
//
// A number is never handed out twice for one branch and register, also when several processes
// or several registers draw at the same time on one database: the counter row is updated before
// it is read, so the writer's lock is taken first and held until the transaction ends.
//
// The service works on the connection it is given and keeps no state between calls. It is not
// thread-safe (neither is the connection). When the caller holds a transaction, the number
// belongs to that transaction: it is taken for good only when the caller commits, and a roll-back
// gives it back. When the caller holds none, the service runs its own.

#include <string>
#include <utility>
#include <vector>

#include "db/command.h"
#include "db/connection.h"
#include "db/query.h"

namespace VyrUtil {

class TdtmVyrProxCodigo {
 public:
  // Declares the statements; does not connect. `connection` must outlive the instance.
  explicit TdtmVyrProxCodigo(ado::TADOConnection& connection);
  TdtmVyrProxCodigo(const TdtmVyrProxCodigo&) = delete;
  TdtmVyrProxCodigo& operator=(const TdtmVyrProxCodigo&) = delete;

  // Advances the counter of the branch and register by `n` (the step, at least 1) and returns
  // its new value as a 10-digit text padded on the left with "0" ("0000000001" for the first
  // sale). The fourth argument is unused. Raises rtl::Exception for a step below 1 or a counter
  // beyond 10 digits, and ado::EADOError for database failures.
  std::string PrxPedidoVenda(const std::string& CDFILIAL, const std::string& CDCAIXA, int n,
                             const std::string& unused);

  // The service's statements by component name, for checks against a store's schema.
  std::vector<std::pair<std::string, const ado::SqlText*>> Statements() const;

 private:
  long long AvancaContadorMssql(const std::string& CDFILIAL, const std::string& CDCAIXA, int n);
  long long AvancaContadorSqlite(const std::string& CDFILIAL, const std::string& CDCAIXA, int n);
  void InsereContador(const std::string& CDFILIAL, const std::string& CDCAIXA, int n);

  ado::TADOConnection& connection_;
  ado::TADOQuery adqUpdProxCodigo;  // SQL Server: update returning the new value
  // SQLite: the same with RETURNING; where the driver gives no row, adqProxCodigo reads it.
  ado::TADOQuery adqUpdProxCodigoSqlite;
  ado::TADOQuery adqProxCodigo;
  ado::TADOCommand acmInsProxCodigo;
};

// Draws the next sale number of the branch and register (step 1) and commits it before
// returning, so the number is taken for good whatever becomes of the sale: a sale whose rows
// fail later leaves its number behind, and no two sales, recorded or cancelled, share one. Runs
// in a transaction of its own; a transaction the caller holds open on the connection is joined
// and committed with the number (a connection has one transaction, shared by whoever joined it).
// On failure a transaction of its own is rolled back and a joined one is left to the caller.
// Raises what PrxPedidoVenda raises.
std::string SorteiaNrSeqVenda(ado::TADOConnection& connection, const std::string& CDFILIAL,
                              const std::string& CDCAIXA);

}  // namespace VyrUtil
