#pragma once
// Small builders of a typical store for tests: a branch with its store and register, and pending
// delivery orders. They insert through TempStore (raw sqlite3) and throw std::runtime_error when
// the database refuses a row. Tests that need more columns add their own rows or builders.

#include <string>
#include <vector>

#include "support/temp_store.h"

namespace vyrtest {

// Settings of one cash register and of its branch and store.
struct RegisterOptions {
  std::string idimpautcupexp = "S";   // CAIXA.IDIMPAUTCUPEXP: automatic closing on
  std::string idtpemissaovyr = "";    // CAIXA.IDTPEMISSAOVYR: "FNC" NFC-e, "SAT", "ECF", "" none
  std::string printer_model = "11";   // IMPRESSORA.IDMODEIMPRES; "" gives the register no printer
  std::string printer_port = "COM1";  // IMPRLOJA.CDPORTAIMPR
  std::string cdempresa = "0001";     // FILIAL.CDEMPRESA
  std::string idimpcnpjclie = "N";    // LOJA.IDIMPCNPJCLIE
  std::string idambtrabnfce = "2";    // PARAVEND.IDAMBTRABNFCE
  std::string idextconsonline = "N";  // PARAVEND.IDEXTCONSONLINE
  std::string cdgrprodpdv = "";       // PARAVEND.CDGRPRODPDV; "" is stored as NULL
};

// Inserts (or replaces) the FILIAL, LOJA, PARAVEND and CAIXA rows and, with a printer model, the
// register's IMPRESSORA and IMPRLOJA rows (NRSEQIMPRLOJA = the register code). Calling it for a
// second register of the same store keeps one branch and store.
void InsertBranchStoreRegister(const TempStore& store, const std::string& cdfilial,
                               const std::string& cdloja, const std::string& cdcaixa,
                               const RegisterOptions& options = {});

// One item of a delivery bill.
struct OrderItem {
  std::string nrprodcomven = "001";
  std::string cdproduto = "1001";
  double quantity = 1;
  double price = 10;
  std::string nrpedidovyr = "";  // "" takes the order's number
};

// A delivery order as the exporting program leaves it: VENDAREST, a COMANDAVEN row waiting for
// automatic closing (IDIMPCUPEXP '2') and its ITCOMANDAVEN items carrying NRPEDIDOVYR.
struct PendingOrder {
  std::string cdfilial = "0001";
  std::string cdloja = "01";
  std::string nrvendarest = "0000000001";
  std::string nrcomanda = "0001";
  std::string dscomanda = "";  // "" gives "DLV_" + nrcomanda
  std::string nrpedidovyr = "PED1";
  std::string idimpcupexp = "2";
  std::string idstcomanda = "1";
  std::string idretballoja = "N";
  std::string cdcliente = "";     // "" is stored as NULL
  std::string cdconsumidor = "";  // "" is stored as NULL
  std::vector<OrderItem> items = {OrderItem{}};
};

void InsertPendingOrder(const TempStore& store, const PendingOrder& order);

// A recorded sale (VENDA) of restaurant sale `nrvendarest`, entered on `dtentrvenda`
// ("YYYY-MM-DD 00:00:00", e.g. TodayText()).
void InsertSale(const TempStore& store, const std::string& cdfilial, const std::string& cdcaixa,
                const std::string& nrseqvenda, const std::string& cdloja,
                const std::string& nrvendarest, const std::string& dtentrvenda);

}  // namespace vyrtest
