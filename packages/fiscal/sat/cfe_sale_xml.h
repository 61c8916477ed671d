#pragma once
// The CF-e sale XML that a SAT device receives for a recorded sale: the minimal form of the
// device's input (CFe/infCFe versaoDadosEnt kVersaoDadosEnt, no namespace), the device fills in
// the rest.

#include <string>

#include "fiscal/sale/recorded_sale.h"

namespace VyrFiscal::Sat {

// The layout version of the sale data: the current one of the devices' specification (0.06 and
// 0.07 are older layouts).
inline constexpr const char* kVersaoDadosEnt = "0.08";

// What the sale XML carries besides the recorded sale.
struct DadosCFe {
  // The software house (ide/CNPJ) and its signature of the emitter (ide/signAC), from the
  // register's installation (fiscal/sat/stored_cfe.h InstalacaoSat).
  std::string cnpjSoftwareHouse;
  std::string signAC;
  std::string numeroCaixa;  // ide/numeroCaixa: the register, 3 digits ("001")
  double vCFeLei12741 = 0;  // approximate taxes of the sale; 0 leaves total/vCFeLei12741 out
};

// Builds the sale XML: emitter CNPJ and IE; the consumer's CPF or CNPJ (and name) when the sale
// carries one; the delivery address (its number and town) when it has a street; one det per
// item with its GTIN when valid, the ICMS group of the situation its branch's regime declares
// (CSOSN for Simples Nacional, CST otherwise), PIS and COFINS by their situation, and
// vItem12741 when the item has approximate taxes; one MP per payment (cMP from CDFPIMPFIS);
// the order's code in infAdic. Amounts with '.' and two decimals, quantities with four; texts
// cleaned (VyrUtil::TextoLimpo). Raises rtl::EConvertError naming the sale, the item or the
// payment type when a situation has no group or a payment type no payment code.
std::string MontaCFeVenda(const VendaGravada& venda, const DadosCFe& dados);

}  // namespace VyrFiscal::Sat
