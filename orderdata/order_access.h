#pragma once
// Shared mechanics of the order lookups and order-state commands (private to orderdata/).
//
// The data-access methods are an error boundary: whatever fails inside them comes back as the
// message text of the error, never as an exception. The helpers here bind, run and read the
// data module's statements and turn the error in flight into that text.

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "datamodule/rdm_imp_exp_kds.h"

namespace Cli_Qam00417::orderdata {

// One parameter value, bound as text.
struct Binding {
  std::string name;
  std::string value;
};
using Bindings = std::vector<Binding>;

// Binds each value to every declared parameter of that name (a statement may use a name twice).
// Raises ado::EADOError for a name the statement does not declare.
void BindTexts(ado::TParameters& params, const Bindings& bindings);

// Closes the query, binds, opens it and returns the provider's packet of the whole result.
rtl::Variant OpenPacket(TADOQuery& query, TDataSetProvider& provider, const Bindings& bindings);

// Closes the query, binds, opens it and returns `column` of the first row as text; "" when the
// result has no row.
std::string OpenValue(TADOQuery& query, const Bindings& bindings, const std::string& column);

// Binds and runs a command; returns the rows affected.
int64_t ExecuteBound(TADOCommand& command, const Bindings& bindings);

// The message text of `error`, as the shared utility package words it for this connection.
// Never raises: when the wording itself fails, the error's own text is used.
std::string FailureText(std::exception_ptr error, TADOConnection& connection);

// Ends the connection's open transaction with a roll-back, if there is one. A failure of the
// roll-back itself is swallowed: the caller is already reporting the error that caused it.
void RollbackQuietly(TrdmImpExpKds& dm);

// Runs `body` and returns its result; on any failure returns the failure text instead.
template <typename Result, typename Body>
Result Guarded(TADOConnection& connection, Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return Result(FailureText(std::current_exception(), connection));
  }
}

// Statement set-up, one per operation file; called by DeclareOrderLookups/DeclareOrderCommands.
void SetupPendingOrders(TrdmImpExpKds& dm);
void SetupSaleCheck(TrdmImpExpKds& dm);
void SetupDeliveryBills(TrdmImpExpKds& dm);
void SetupDeliveryPayments(TrdmImpExpKds& dm);
void SetupBillItems(TrdmImpExpKds& dm);
void SetupItemNotes(TrdmImpExpKds& dm);
void SetupCustomerLookups(TrdmImpExpKds& dm);
void SetupOrderOrigin(TrdmImpExpKds& dm);
void SetupOrderStatus(TrdmImpExpKds& dm);
void SetupOrderRemoval(TrdmImpExpKds& dm);
void SetupSaleFinishing(TrdmImpExpKds& dm);

}  // namespace Cli_Qam00417::orderdata
