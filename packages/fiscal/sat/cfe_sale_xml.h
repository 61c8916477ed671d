#pragma once
// The CF-e sale XML that a SAT device receives for a recorded sale: the minimal form of the
// device's input (CFe/infCFe versaoDadosEnt 0.07, no namespace), the device fills in the rest.

#include <string>

#include "fiscal/sale/recorded_sale.h"

namespace VyrFiscal::Sat {

// What the sale XML carries besides the recorded sale.
struct DadosCFe {
  // The software house (ide/CNPJ) and its signature of the emitter (ide/signAC). The defaults
  // are the registration that test devices and the emulator accept.
  std::string cnpjSoftwareHouse = "11444777000161";
  std::string signAC = "SGR-SAT SISTEMA DE GESTAO E RETAGUARDA DO SAT";
  std::string numeroCaixa;  // ide/numeroCaixa: the register, 3 digits ("001")
  double vCFeLei12741 = 0;  // approximate taxes of the sale; 0 leaves total/vCFeLei12741 out
};

// Builds the sale XML: emitter CNPJ and IE; the consumer's CPF or CNPJ (and name) when the sale
// carries one; the delivery address when it has a street; one det per item with its ICMS group
// (Simples Nacional CSOSN or CST by the branch's regime), PIS and COFINS, and vItem12741 when
// the item has approximate taxes; one MP per payment (cMP from CDFPIMPFIS, "99" when that is
// not a payment code); the order's code in infAdic. Amounts with '.' and two decimals,
// quantities with four.
std::string MontaCFeVenda(const VendaGravada& venda, const DadosCFe& dados);

}  // namespace VyrFiscal::Sat
