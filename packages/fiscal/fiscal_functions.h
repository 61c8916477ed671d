#pragma once
// The fiscal-device package's operations, as the module calls them: function variables that start
// out pointing at this package's own routines. An installation or a test may point a variable at
// another routine; reassigning a variable while another thread calls it is not safe.
//
// Every routine uses the package's own connection to the store database (fiscal/fiscal_store.h),
// never the caller's, and runs on the caller's thread. A routine that fails raises; only
// SetConcluiFechamento reports its refusals and failures as a text beginning kErro.
//
// The lists these routines take and the results they give back are laid out, packed and unpacked
// by fiscal/closing_lists.h, on both sides.

#include <functional>
#include <string>
#include <vector>

#include "fiscal/closing_lists.h"
#include "rtl/client_dataset.h"
#include "rtl/datetime.h"
#include "rtl/variant.h"

namespace VyrFiscal {

using rtl::TClientDataSet;
using rtl::Variant;

// The sale of one bill as the closing needs it. `filialComanda` is the array
// [CDFILIAL, NRCOMANDA]; `retornoFiscal` is the results array. Answers in it a VendaBuscada: the
// sale-rows packet (layout CamposLinhaVenda() plus the bill columns, one row per item that is not
// cancelled, in item order) and the cancelled-items packet (CamposItemCancelado()). A bill that
// does not exist gives both packets without rows.
extern std::function<Variant(const Variant& filialComanda, Variant& retornoFiscal)> BuscaVenda;

// The approximate taxes of the sale rows in `vendas`: fills element 0 of the 3-element array
// `valores` with the federal amount and element 2 with the state amount, as texts with '.' and
// two decimals, and element 1 with a warning when the branch's state has no IBPT table in force
// (the amounts are then zeros for want of it), else "". Returns their sum.
extern std::function<double(TClientDataSet& vendas, Variant& valores, double reservado)>
    CalculoIcmsDFederal;

// The register's NFC-e series; "1" when none is set.
extern std::function<std::string(const std::string& CDFILIAL, const std::string& CDCAIXA)>
    getNumeroSerieNFCe;

// The current local time as "YYYY-MM-DDThh:mm:ss±hh:mm".
extern std::function<std::string()> getDataEmissNFCe;

// Records the sale in one transaction and, on an NFC-e register, issues its document.
// `tabelas` is EmpacotaTabelas' list, `parametros` EmpacotaValores' list.
// Answers the recorded sale's number (kTamanhoNumeroVenda characters), or RespostaErro(the
// reason) with nothing written. A bill already recorded and not cancelled answers that sale's
// number and writes nothing. NFC-e: answers in `retornoFiscal` a NotaEmitida (the access key,
// and whether the note was issued in contingency).
extern std::function<Variant(const std::vector<TClientDataSet*>& tabelas, const Variant& parametros,
                             Variant& retornoFiscal)>
    SetConcluiFechamento;

// Changes a recorded sale whose document could not be issued normally. `parametros` is
// EmpacotaAlteracao's list.
extern std::function<Variant(const Variant& parametros, Variant& retornoFiscal)> AlteraVendaCan;

// Sends a recorded sale to the register's SAT device. Fills `valoresSat` with LinhaSat lines
// (among them kSatChaveConsulta, kSatTimeStamp, kSatValorTotalCFe, kSatCPFCNPJValue,
// kSatAssinaturaQRCODE, kSatArqXml and kSatMensagem) and answers true when the device accepted
// the sale.
extern std::function<bool(const std::string& CDFILIAL, const std::string& CDCAIXA,
                          const std::string& NRSEQVENDA, const std::string& idUtilSatComp,
                          const std::string& cdAtivacaoSat, const std::string& dsPastaXml,
                          const std::string& vrIbpt, const std::string& vrIbptEs,
                          std::vector<std::string>& valoresSat)>
    SATOnline;

// Stores the SAT document's number, key and QR text with the recorded sale.
extern std::function<Variant(const std::string& CDFILIAL, const std::string& CDCAIXA,
                             const std::string& NRSEQVENDA, const std::string& nrCfe,
                             const std::string& dsQrCode,
                             const std::vector<std::string>& valoresSat)>
    AtualizaVendaSat;

// Prints a non-fiscal receipt. `parametros`: [false, kind ("VENDA_NFCe" or "EXTRATO_SAT"),
// omitted, omitted, omitted, the receipt-parameters packet, ""].
extern std::function<Variant(const Variant& parametros, Variant& retornoFiscal)>
    DisparaImpressaoNaoFiscal;

}  // namespace VyrFiscal
