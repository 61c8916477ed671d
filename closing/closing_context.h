#pragma once
// Internal to the bill closing: the working values of one FechaContaNormal call and its steps.
//
// A ContaEmFechamento lives for one call and belongs to it alone: nothing of one order's closing
// reaches the next one through it. The steps work on the data module's closing tables (which
// every call refills) and on this object, on the worker thread only.
//
// A step that answers false has left the closing: it has logged why, and the caller runs no
// further step. Unexpected failures raise and reach FechaContaNormal's handler.

#include <string>
#include <vector>

#include "datamodule/rdm_imp_exp_kds.h"
#include "external/fiscal_device.h"
#include "rtl/datetime.h"
#include "rtl/variant.h"

namespace Cli_Qam00417::closing {

struct ContaEmFechamento {
  // The six arguments, in the order the scan passes them.
  std::string CDFILIAL;
  std::string CDCAIXA;
  std::string CDLOJA;
  std::string NRCOMANDA;
  std::string NRVENDAREST;
  std::string DSCOMANDA;

  rtl::TDateTime dtMovCaixa = 0;  // today's date, taken once
  std::string idImpCpf;           // IDIMPCPFCUPOM of the bill's consumer
  std::string cdSenhaPed;         // CDSENHAPED of the first sale row
  double vrTotalPago = 0;
  double vrTotalItens = 0;
  std::string idOrigemVenda;
  std::string vrIbpt;
  std::string vrIbptEs;
  double vrTotalTrib = 0;
  std::string nrSerieNfce;
  std::string nrNfce;
  std::string dtEmissNfce;
  rtl::Variant retornoFiscal;  // the fiscal results array, kTamanhoRetornoFiscal when created
  std::string idRetBalLoja;
  std::string dsRetornoFechamento;
  std::string chaveAcesso;
  std::string dsQrCode;
  std::string nrCfe;
  std::string nrSerieSat;
  std::vector<std::string> valoresSat;
  bool inFiscalClosing = false;  // SetConcluiFechamento runs: a failure holds the order back

  // "CDFILIAL, CDCAIXA, CDLOJA, NRCOMANDA, NRVENDAREST, DSCOMANDA", as the frame lines show it.
  std::string Arguments() const;
  // A fresh fiscal results array, all elements empty.
  void NovoRetornoFiscal() { retornoFiscal = Cli_Qam00417::NovoRetornoFiscal(); }
};

// The text that opens the line about an order whose exported data cannot be read; `hostagent
// status` shows the line as the order's failure.
inline constexpr const char* kDadosInvalidos = "Dados do pedido inválidos: ";
// Leaves, with the order held back, when a number of the bill's items (quantity, price,
// discount, surcharge) or of its delivery payments (amount) is a text that is not a number; the
// line names the item or payment, the column and the text. Loads the payments (cdsMovCaixaDlv)
// when it goes on.
bool CheckOrderNumbers(TrdmImpExpKds& dm, ContaEmFechamento& conta);
// Loads the bill, its items, notes and sale rows, sets the sale's client and
// consumer, and applies the receipt tax-number rule.
void GatherOrder(TrdmImpExpKds& dm, ContaEmFechamento& conta);
// The receipt tax number of every sale row that has none yet (NRINSCRCONS a single blank).
void ApplyReceiptTaxNumber(TrdmImpExpKds& dm, const ContaEmFechamento& conta);

// Turns the delivery payments into the register's cash movements and adds up the amount paid.
// Leaves when a payment type is missing from the register's layout.
bool BuildCashMovements(TrdmImpExpKds& dm, ContaEmFechamento& conta);
// Validates the sale on the consumer's account when it is paid (wholly or partly) on it.
// Leaves, with the order taken off the queue, when the validation fails.
bool SettleConsumerBalance(TrdmImpExpKds& dm, ContaEmFechamento& conta);
// Compares the amount paid with the value of the sale items. Leaves, with the order taken off
// the queue, when they differ.
bool CheckTotals(TrdmImpExpKds& dm, ContaEmFechamento& conta);
// Takes the order off the automatic-closing queue (IDIMPCUPEXP '0') and logs it.
void TakeOffQueue(TrdmImpExpKds& dm, const ContaEmFechamento& conta);

// The sale origin of the bill, as read with the bill; empty when the bill was not found.
void ReadSaleOrigin(TrdmImpExpKds& dm, ContaEmFechamento& conta);
// The approximate taxes and the electronic document's series.
void ComputeTaxFigures(TrdmImpExpKds& dm, ContaEmFechamento& conta);
// The document number and emission date of a sale the fiscal package would record, asked of it
// with the closing lists (the bill located in cdsPedidos) before anything is drawn. Leaves, with
// the package's refusal in dsRetornoFechamento, when it would refuse the sale; a bill recorded
// already gets no number (the fiscal closing answers its sale).
bool PrepareDocumentNumber(TrdmImpExpKds& dm, ContaEmFechamento& conta);
// The document number of the bill (its series in nrSerieNfce): the one reserved for the bill in
// NUMDOCRESERV, else one the receivables package draws and reserves for it in one transaction.
std::string BillDocumentNumber(TrdmImpExpKds& dm, const ContaEmFechamento& conta);
// The register's reserved numbers whose bill no longer waits for the automatic closing: released
// when a note carries the number (or the register emits SAT), else voided with the authority
// through the fiscal package, with a line in the log before the call and one after.
void SettleLeftBehindNumbers(TrdmImpExpKds& dm, const ContaEmFechamento& conta);

// The closing lists the fiscal package records the sale from, packed by EmpacotaTabelas and
// EmpacotaValores. The order's values come from the current row of cdsPedidos, where the
// closing located the bill.
std::vector<rtl::TClientDataSet*> ClosingTables(TrdmImpExpKds& dm);
rtl::Variant ClosingParameters(TrdmImpExpKds& dm, const ContaEmFechamento& conta);
// Has the fiscal package record the sale; its answer goes to dsRetornoFechamento.
void CallFiscalClosing(TrdmImpExpKds& dm, ContaEmFechamento& conta);

// Emits the NFC-e or SAT document of the recorded sale and prints its receipt. Leaves when the
// NFC-e came back in contingency (the order's rows are then removed); raises when the SAT
// device refuses the sale.
bool EmitFiscalDocument(TrdmImpExpKds& dm, ContaEmFechamento& conta);
bool EmitNfceDocument(TrdmImpExpKds& dm, ContaEmFechamento& conta);
void EmitSatDocument(TrdmImpExpKds& dm, ContaEmFechamento& conta);
// Rebuilds cdsParamImpCupNF with the one row the receipt prints from. SAT adds its own fields.
void FillReceiptParameters(TrdmImpExpKds& dm, const ContaEmFechamento& conta, bool sat);
// Prints the non-fiscal receipt of kind "VENDA_NFCe" or "EXTRATO_SAT".
void PrintReceipt(TrdmImpExpKds& dm, ContaEmFechamento& conta, const std::string& kind);
// Changes the recorded sale whose document could not be issued normally.
void ChangeRecordedSale(TrdmImpExpKds& dm, ContaEmFechamento& conta);

// `length` characters of `text` from 1-based position `position` (fewer at the end of the
// text, none before its start), as the SAT document's numbers are cut from its XML.
std::string Copy(const std::string& text, long position, long length);

// Marks the order "X" (IDRETBALLOJA exactly "S") or "P".
void MarkOrder(TrdmImpExpKds& dm, const ContaEmFechamento& conta);
// Records the refused sale as cancelled and holds the order back before its next attempt.
void RecordCancelledSale(TrdmImpExpKds& dm, const ContaEmFechamento& conta);
// Holds the order back before its next attempt (1 s doubling to 5 minutes) and logs the wait.
void HoldBack(TrdmImpExpKds& dm, const ContaEmFechamento& conta);

}  // namespace Cli_Qam00417::closing
