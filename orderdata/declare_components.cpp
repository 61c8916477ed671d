// The order data access's share of the data module's components. Setup order does not matter:
// the statements only prepare on first use.

#include "orderdata/order_access.h"

namespace Cli_Qam00417 {

void TrdmImpExpKds::DeclareOrderLookups() {
  orderdata::SetupPendingOrders(*this);
  orderdata::SetupSaleCheck(*this);
  orderdata::SetupDeliveryBills(*this);
  orderdata::SetupDeliveryPayments(*this);
  orderdata::SetupBillItems(*this);
  orderdata::SetupItemNotes(*this);
  orderdata::SetupCustomerLookups(*this);
  orderdata::SetupOrderOrigin(*this);
}

void TrdmImpExpKds::DeclareOrderCommands() {
  orderdata::SetupOrderStatus(*this);
  orderdata::SetupOrderRemoval(*this);
  orderdata::SetupSaleFinishing(*this);
}

}  // namespace Cli_Qam00417
