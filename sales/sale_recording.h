#pragma once
// Internal to the sale recording: the working values of one setCancelaVenda call and the
// set-up of the recording's statements.

#include <string>

#include "datamodule/error_boundary.h"
#include "datamodule/rdm_imp_exp_kds.h"
#include "db/statement_kit.h"

namespace Cli_Qam00417 {

// Lives for one call of setCancelaVenda, so the cancelled-items table is destroyed on every
// way out of the call.
struct TrdmImpExpKds::SaleRecording {
  // Arguments of the call, converted from UTF-16.
  std::string CDCAIXA;
  std::string CDEMPRESA;
  std::string NRCUPOMFIS;
  std::string IDORIGEMVENDA;
  TDateTime DTABERCAIX = 0;

  TClientDataSet itensCanc{"cdsItensCanc"};  // the bill's cancelled items, no fixed layout
  std::string CDFILIAL;                      // the sale's branch
  std::string NRSEQVENDA;                    // the sale number, drawn once per call
  std::string CDGRPRODPDV;                   // the branch's point-of-sale product group
  std::string CDOPERADOR;                    // the register shift's operator
  std::string NRSEQUITVEND = "001";          // item counter
  std::string NRSEQITVENDC = "001";          // cancelled-item counter
};

// The counter after `counter`: its integer value plus one, padded to three digits.
std::string ProximoContador(const std::string& counter);

// The tax of one item: price times quantity, divided by 100, times the rate (a percentage),
// evaluated in extended precision and then cut to two decimal places.
double ValorImpostoItem(double VRPRECCOMVEN, double QTPRODCOMVEN, double VRPEALIMPFIS);

// Statement set-up, one per file that runs the statements; called by DeclareSaleRecording.
void DeclareSaleItemFields(TrdmImpExpKds& dm);
void DeclareSaleHeader(TrdmImpExpKds& dm);
void DeclareCancelledItems(TrdmImpExpKds& dm);
void DeclareSaleItems(TrdmImpExpKds& dm);
void DeclareItemTaxes(TrdmImpExpKds& dm);
void DeclareProductGroup(TrdmImpExpKds& dm);

}  // namespace Cli_Qam00417
