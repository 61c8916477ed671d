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

// The register's NFC-e series; "1" when none is set. Kept a while (fiscal/kept_settings.h).
extern std::function<std::string(const std::string& CDFILIAL, const std::string& CDCAIXA)>
    getNumeroSerieNFCe;

// The current local time as "YYYY-MM-DDThh:mm:ss±hh:mm".
extern std::function<std::string()> getDataEmissNFCe;

// Asked before the closing draws the sale's document number, with the lists SetConcluiFechamento
// would receive (the number still empty). Answers "" when it would record the sale,
// RespostaErro(the reason) when it would refuse it for what the sale or the register lacks, and
// the number of the bill's sale when the bill is recorded already (SetConcluiFechamento then
// answers that sale, whatever number it is given). Writes nothing; raises what the store raises.
// A "" is remembered: the SetConcluiFechamento of the same bill that follows does not ask again.
extern std::function<std::string(const std::vector<TClientDataSet*>& tabelas,
                                 const Variant& parametros)>
    VerificaFechamento;

// Records the sale in one transaction and, on an NFC-e register, issues its document.
// `tabelas` is EmpacotaTabelas' list, `parametros` EmpacotaValores' list.
// Answers the recorded sale's number (kTamanhoNumeroVenda characters), or RespostaErro(the
// reason) with nothing written. A bill already recorded and not cancelled answers that sale's
// number and writes nothing. A bill that no longer waits for the automatic closing when the
// sale would be written (its COMANDAVEN row removed, or IDIMPCUPEXP no longer '2') answers a
// text saying so, neither a number nor an error, and writes nothing. NFC-e: answers in
// `retornoFiscal` a NotaEmitida (the access key, and whether the note was issued in contingency).
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

// What one background transmission did: the lines for the worker's log, and how many notes the
// authoriser settled in it (authorised or refused), which leave the notes still to send.
struct TransmissaoNfce {
  std::vector<std::string> linhas;
  int resolvidas = 0;
};
// The register's background NFC-e transmission, called once per worker pass: sends the notes
// issued in contingency and settles those whose send got no answer, oldest first and a few per
// call. Quick when there is nothing to send or the authoriser is down. Never raises for the
// authoriser or the store: a failure comes back as a line, with nothing settled.
extern std::function<TransmissaoNfce(const std::string& CDFILIAL, const std::string& CDCAIXA)>
    TransmiteNfcePendentes;
// The register's recorded sales that still owe their document (a CF-e not issued or refused, an
// NFC-e kept and never sent) or their receipt (not printed, or failed with attempts left),
// oldest first, at most `limite` of them. Sales of other registers are not among them.
extern std::function<std::vector<std::string>(const std::string& CDFILIAL,
                                              const std::string& CDCAIXA, int limite)>
    DocumentosPendentes;

// What EmiteDocumentoPendente needs besides the sale: the register's SAT and printer settings.
struct PedidoDocumento {
  std::string CDFILIAL, CDCAIXA, NRSEQVENDA;
  std::string idUtilSatComp, cdAtivacaoSat;
  std::string nrSeqImprLoja6, idTipoImpNf6, cdPortaImpNf6;
};

// Issues the document a recorded sale still owes and prints its receipt, each only once: a SAT
// session whose answer was never stored is asked about before anything is sent again, a kept
// NFC-e is sent as it was kept (one still not authorised is left in contingency, unprinted), and
// a receipt printed, or whose print's outcome is unknown, is not printed again. Answers what it
// did, for the log ("" when the sale owed nothing). Raises with the reason when the document or
// the print failed; the failure stays recorded with the sale.
extern std::function<std::string(const PedidoDocumento& pedido)> EmiteDocumentoPendente;

// An operator's reprint of a recorded sale's receipt, from its stored document, to the printer
// at `porta` of model `idTipoImp`, whatever its print state; counted apart from the automatic
// prints (VENDACUPOM.QTREIMPCUPOM). Raises naming the sale when it has no document, or what the
// printer raises.
extern std::function<void(const std::string& CDFILIAL, const std::string& CDCAIXA,
                          const std::string& NRSEQVENDA, const std::string& porta,
                          const std::string& idTipoImp)>
    ReimprimeCupom;
// Voids NFC-e number `numero` of series `serie` in environment `ambiente` with the authoriser of
// the register (inutNFe, signed with its certificate). Answers the authority's "cStat xMotivo"
// (102: voided), or RespostaErro(why) when no answer came and the request may be sent again.
extern std::function<std::string(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                 const std::string& serie, const std::string& numero,
                                 const std::string& ambiente)>
    InutilizaNumeroNFCe;

// Cancels the authorised NFC-e of recorded sale NRSEQVENDA (event 110111, signed with the
// register's certificate) for reason `justificativa` (15 to 255 characters), within 30 minutes of
// its authorisation. Registered, the event and its answer are kept beside the note
// ("<key>-110111-01-procEventoNFe.xml") and the sale is marked cancelled (VENDA.IDSITUVENDA 'C');
// nothing is printed. Answers the authority's "cStat xMotivo nProt" and the kept file. Raises
// with the reason what the authority would refuse (no note, a note not authorised, a short
// reason, the deadline passed), its refusal, and a call without an answer (the next attempt asks
// the authority about the key before sending again).
extern std::function<std::string(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                 const std::string& NRSEQVENDA, const std::string& justificativa)>
    CancelaNFCe;

// Checks the A1 certificate of an NFC-e register when its worker starts: answers the line to log
// when it ends within 30 days ("" otherwise); raises naming the file when it cannot be read or
// has expired (the password never shown).
extern std::function<std::string(const std::string& CDFILIAL, const std::string& CDCAIXA)>
    VerificaCertificadoNFCe;

// Whether the register can close sales now (lifecycle/register_readiness.h): "" when it can,
// else its fault (an unreadable, expired or not yet valid certificate, the CSC or the schemas
// missing, the SAT library missing), naming what to mend. `idTipoEmissao`: "N" NFC-e, "S" SAT.
// A "ready" answer is kept a few seconds, so asking before every pass and every sale costs
// nothing; a fault is asked again each time. Raises only for a failure of the store.
extern std::function<std::string(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                 const std::string& idTipoEmissao)>
    VerificaProntidaoCaixa;

}  // namespace VyrFiscal
