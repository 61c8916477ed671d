#pragma once
// The order lookups and order-state commands' share of the data module's set-up (private to
// orderdata/). The data-access methods are an error boundary: whatever fails inside them comes
// back as the message text of the error, never as an exception (datamodule/error_boundary.h).

#include "datamodule/error_boundary.h"
#include "datamodule/rdm_imp_exp_kds.h"
#include "datamodule/transaction_scope.h"
#include "db/statement_kit.h"

namespace Cli_Qam00417::orderdata {

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
