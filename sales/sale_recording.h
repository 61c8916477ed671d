#pragma once
// Internal to the sale recording: the working values of one setCancelaVenda call and the
// set-up of the recording's statements.

#include <string>

#include "datamodule/error_boundary.h"
#include "datamodule/rdm_imp_exp_kds.h"
#include "db/statement_kit.h"
#include "fiscal/sale/sale_rows_writer.h"

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
  std::string CDOPERADOR;                    // the register shift's operator
};

// The tax of one item, by the rule every recorded sale follows.
using VyrFiscal::ValorImpostoItem;

// Statement set-up, one per file that runs the statements; called by DeclareSaleRecording.
void DeclareSaleItemFields(TrdmImpExpKds& dm);
void DeclareSaleHeader(TrdmImpExpKds& dm);

}  // namespace Cli_Qam00417
