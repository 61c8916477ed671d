#pragma once
// The demo's fiscal data and delivery orders: the branch's emitter data, products with their
// fiscal columns and taxes, the register's fiscal settings (the simulated NFC-e authoriser or
// the SAT emulator, each named explicitly), consumers (one on a consumer account with a limit),
// and orders waiting for automatic closing with their items and payments, written the way the
// exporting program leaves them. Among the orders, one of each outcome that is not a plain
// sale: see DemoOrderCase.

#include <string>

#include "db/connection.h"
#include "hostagent/store_commands.h"

namespace hostagent {

// What an order of the demo is made to show (its number: the position in the list).
enum class DemoOrderCase {
  kPlain,            // pizza and sodas paid in cash: closed, with document and receipt
  kTotalsDiffer,     // the payment does not match the items: the totals check refuses it
  kUnknownPayment,   // a payment type the register's layout does not know: stays pending
  kConsumerAccount,  // paid on the consumer's account (within its limit)
  kMarketplace,      // comes from a marketplace (COMANDAVEN.IDORGCMDVENDA)
  kRefusedProduct,   // a product without NCM: the fiscal closing refuses the sale
};
DemoOrderCase DemoCaseOf(int order);

void InsertDemoFiscalData(ado::TADOConnection& connection, const DemoStoreOptions& options);
void InsertDemoOrders(ado::TADOConnection& connection, const DemoStoreOptions& options);

// A self-signed A1 certificate (PKCS#12) for the demo branch's CNPJ, valid for a year.
void WriteDemoCertificate(const std::string& path, const std::string& password,
                          const std::string& cnpj);

// The demo's IBPT table of São Paulo (data/TabelaIBPTaxSP26.1.DEMO.csv, made by the project for
// the demo's products), loaded by InsertDemoFiscalData so that the demo's receipts show taxes.
const char* DemoIbptCsv();

}  // namespace hostagent
