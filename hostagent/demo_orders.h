#pragma once
// The demo's fiscal data and delivery orders: the branch's emitter data, products with their
// fiscal columns, the register's fiscal settings, a consumer, and orders waiting for automatic
// closing with their items and payments, written the way the exporting program leaves them.

#include "db/connection.h"
#include "hostagent/store_commands.h"

namespace hostagent {

void InsertDemoFiscalData(ado::TADOConnection& connection, const DemoStoreOptions& options);
void InsertDemoOrders(ado::TADOConnection& connection, const DemoStoreOptions& options);

// The demo's IBPT table of São Paulo (data/TabelaIBPTaxSP26.1.DEMO.csv, made by the project for
// the demo's products), loaded by InsertDemoFiscalData so that the demo's receipts show taxes.
const char* DemoIbptCsv();

}  // namespace hostagent
