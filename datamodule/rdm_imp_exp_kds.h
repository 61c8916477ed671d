#pragma once
// TrdmImpExpKds: the one container of everything the module does with data: the store
// connection, every statement as a named, long-lived component, every in-memory table, and the
// run state that the worker's start-up fills and the bill closing reads.
//
// One instance per process, `rdmImpExpKds`, created by the first worker and reused by every
// later one; it is freed only when the module is unloaded with no worker left. Its components are
// used only by the thread that runs the worker; nothing is locked.
//
// The methods are defined beside their subsystems: the connection, transactions and parameter
// statement here in datamodule/, the scan in scan/, the bill closing in closing/, the order
// lookups and order-state commands in orderdata/, the sale recording in sales/.
//
// Wide (UTF-16) arguments are converted to UTF-8 before they are bound. The lookups and the
// order-state commands never raise: on failure they return the message text of the error.

#include <string>
#include <utility>
#include <vector>

#include "datamodule/order_notices.h"
#include "datamodule/register_pause.h"
#include "datamodule/retry_delays.h"
#include "db/command.h"
#include "db/connection.h"
#include "db/provider.h"
#include "db/query.h"
#include "db/statement_kit.h"
#include "rtl/client_dataset.h"
#include "rtl/datetime.h"
#include "rtl/variant.h"

namespace VyrFiscal {
struct ComandosVenda;
class GravadorVenda;
}  // namespace VyrFiscal

namespace Cli_Qam00417 {

using ado::TADOCommand;
using ado::TADOConnection;
using ado::TADOQuery;
using ado::TDataSetProvider;
// The statement toolkit, under the names the data module has always used.
using ado::AppendBindings;
using ado::Binding;
using ado::Bindings;
using ado::DateTimeParam;
using ado::DeclareCommand;
using ado::DeclareQuery;
using ado::Execute;
using ado::FloatParam;
using ado::OpenPacket;
using ado::OpenQuery;
using ado::OpenValue;
using ado::TextParam;
using ado::UntypedParam;
using rtl::TClientDataSet;
using rtl::TDateTime;
using rtl::TField;
using rtl::Variant;

class TrdmImpExpKds {
 public:
  // Builds every component, then runs DataModuleCreate. Does not connect.
  TrdmImpExpKds();
  ~TrdmImpExpKds();
  TrdmImpExpKds(const TrdmImpExpKds&) = delete;
  TrdmImpExpKds& operator=(const TrdmImpExpKds&) = delete;

  // ---- Connection and handlers (datamodule/) ----
  TADOConnection adcImpExpKds;
  void DataModuleCreate();
  void adcImpExpKdsBeforeConnect(TADOConnection& sender);
  void adcImpExpKdsAfterConnect(TADOConnection& sender);

  // The connection's single transaction; they never nest (see datamodule/transactions.cpp).
  void StartTrans();
  void CommitTrans();
  void RollbackTrans();

  // Every statement of the form, queries and commands, by component name in the form's order,
  // with the texts set up for it (empty for a component whose subsystem does not set it up).
  // The pointers live as long as the instance.
  using NamedStatement = std::pair<std::string, const ado::SqlText*>;
  std::vector<NamedStatement> Statements() const;

  // ---- Parameters and local cached tables (datamodule/) ----
  TADOQuery adqParametros;
  TDataSetProvider dspParametros;
  TClientDataSet cdsParametros{"cdsParametros"};
  TClientDataSet cdsConfTipoReceRev{"cdsConfTipoReceRev"};
  TClientDataSet cdsDataMovimento{"cdsDataMovimento"};
  TClientDataSet cdsValidaAbertura{"cdsValidaAbertura"};

  // ---- Run state, filled by the worker's start-up ----
  bool boVyrNfce = false;
  bool boVyrSat = false;
  std::string idImpCnpjClie;
  std::string idAmbTrabNfce;
  std::string cdEmpresa;
  std::string idPaisIntegra;
  std::string idTipoEmissao;
  std::string dsPastaXml;
  std::string idUtilSatComp;
  std::string cdAtivacaoSat;
  std::string nrSeqImprLoja6;
  std::string idTipoImpNf6;
  std::string cdPortaImpNf6;
  std::string cdClienteVenda;
  std::string cdConsumidorVenda;
  std::string idExtConsOnline;
  std::string cdUrlWsExtCons;
  std::string idExtConsCentral;
  TDateTime dtAberturaCaixa = 0;
  TDateTime dtMovimento = 0;

  // ---- Pending-order scan (scan/) ----
  TClientDataSet cdsPedidosExpKDS{"cdsPedidosExpKDS"};
  TClientDataSet cdsVenda{"cdsVenda"};
  // One pass over the register's pending delivery orders: each is marked "X" when it already
  // has a sale of today, else closed; a bill the exported data keeps from closing (a bill number
  // two waiting bills share, a bill without items) is logged once and passed over. A pass that
  // finds no order runs two queries and logs nothing new. Stops between orders when the worker is
  // asked to stop. Never raises.
  void VerificaPedidosExpKDS(const std::string& CDFILIAL, const std::string& CDCAIXA,
                             const std::string& CDLOJA);
  // Orders whose sale the fiscal package refused, held back before their next closing.
  RetryDelays retryDelays;
  // The refusal each held-back order's cancelled sale was recorded for (closing/order_marking).
  OrderNotices refusalNotices;
  // The bills the scan leaves alone for a fault of the exported data, with the line it logged.
  OrderNotices oddBillNotices;
  // Whether the claim on the order at hand went back with its mark, in the mark's transaction
  // (closing/order_marking.cpp, scan/): the scan then gives back nothing more.
  bool reservaDevolvida = false;
  // When the scan last dropped the branch's claims on bills that no longer wait (scan/).
  double reservasDeixadasLiberadasEm = 0;
  // The register's recorded sales whose document or receipt is still owed, whatever became of
  // their orders: a few per pass, oldest first, each failure holding its sale back longer
  // (worker/document_pass.cpp). Never raises.
  void EmiteDocumentosPendentes(const std::string& CDFILIAL, const std::string& CDCAIXA);
  // Sales whose document or receipt failed, held back before their next attempt.
  RetryDelays documentDelays;
  // The register's fault that pauses its closings and documents (datamodule/register_pause.h).
  PausaDoCaixa pausaCaixa;
  // Before a started worker's first scan: the document pass again and again until no sale owes
  // anything, a pass issues and prints nothing, or a stop is asked; then the register's numbers
  // left behind are settled. A sale interrupted by a crash is thus recovered while its device
  // still knows the session, before a new closing talks to the device. Never raises.
  void RecuperaDocumentosPendentes(const std::string& CDFILIAL, const std::string& CDCAIXA);

  // ---- Order lookups (orderdata/) ----
  TADOQuery adqPedExpKDS;
  TDataSetProvider dspPedidosExpKDS;
  TADOQuery adqVenda;
  TDataSetProvider dspVenda;
  TADOQuery adqPedidos;
  TDataSetProvider dspPedidos;
  TADOQuery adqMovCaixaDlv;
  TDataSetProvider dspMovCaixaDlv;
  TADOQuery adqItComandaEst;
  TDataSetProvider dspItComandaEst;
  TADOQuery adqObsItensEst;
  TDataSetProvider dspObsItensEst;
  TADOQuery adqObsItens;
  TDataSetProvider dspObsItens;
  TADOQuery adqImpCpfCupom;
  TADOQuery adqCpfCli;
  TADOQuery adqCpfCons;
  TADOQuery adqOrigemVenda;

  Variant getPedExpKDS(const std::u16string& CDFILIAL, const std::u16string& CDCAIXA,
                       const std::u16string& CDLOJA);
  Variant getVenda(const std::u16string& CDFILIAL, const std::u16string& CDLOJA,
                   const std::u16string& NRVENDAREST);
  // The store's open delivery bill numbered NRCOMANDA of order NRVENDAREST. The bill-list
  // lookups below read the items and notes of that order alone.
  Variant getPedidos(const std::u16string& CDFILIAL, const std::u16string& CDLOJA,
                     const std::u16string& NRCOMANDA, const std::u16string& NRVENDAREST);
  Variant getDadosVenda(const std::u16string& CDFILIAL, const std::u16string& NRCOMANDA,
                        const std::u16string& NRVENDAREST);
  Variant getItcomandaEst(const std::u16string& CDFILIAL, const std::u16string& NRCOMANDA,
                          const std::u16string& NRCOMANDAAGRUP, const std::u16string& NRVENDAREST);
  Variant getObsItensEst(const std::u16string& CDFILIAL, const std::u16string& NRCOMANDA,
                         const std::u16string& NRVENDAREST);
  Variant getObsItens(const std::u16string& CDFILIAL, const std::u16string& NRCOMANDA,
                      const std::u16string& NRVENDAREST);
  std::string getImpCpfCupom(const std::string& CDCLIENTE, const std::string& CDCONSUMIDOR);
  std::string getCpfCli(const std::string& CDCLIENTE);
  std::string getCpfCons(const std::string& CDCLIENTE, const std::string& CDCONSUMIDOR);
  Variant getOrigemVenda(const std::string& CDFILIAL, const std::string& NRVENDAREST,
                         const std::string& NRCOMANDA);

  // ---- Order status update, removal, sale finishing (orderdata/) ----
  TADOCommand acmUpdStatComand;
  TADOQuery adqVerifComanda;
  TADOCommand acmDelMovDlv;
  TADOCommand acmDelItComandaEst;
  TADOCommand acmDelItComandaVen;
  TADOCommand acmDelComandaVen;
  TADOCommand acmDelVendaRest;
  TADOCommand acmDelMovCaixaDlv;
  TADOCommand acmDelItComanda;
  TADOCommand acmDelComanda;

  Variant setVendaComanda(const std::u16string& CDFILIAL, const std::u16string& CDLOJA,
                          const std::u16string& NRCOMANDA, const std::u16string& NRVENDAREST,
                          const std::u16string& DSCOMANDA, const std::u16string& IDSTCOMANDA);
  Variant setApagaPedido(const std::u16string& CDFILIAL, const std::u16string& NRCOMANDA);
  Variant setFechaVenda(const std::u16string& CDFILIAL, const std::u16string& NRCOMANDA,
                        const std::u16string& NRVENDAREST);

  // ---- Bill closing (closing/) ----
  // Closes one pending delivery bill as a documented sale: gathers it, builds its cash
  // movements, settles the consumer balance, checks the totals, has the fiscal package record
  // the sale, emits its NFC-e or SAT document with the receipt and marks the order. Every way
  // out is logged between the "INI-FechaContaNormal(" and "FIM-FechaContaNormal(" lines; the
  // orderly ones return, an unexpected failure is logged and raised again.
  void FechaContaNormal(const std::string& CDFILIAL, const std::string& CDCAIXA,
                        const std::string& CDLOJA, const std::string& NRCOMANDA,
                        const std::string& NRVENDAREST, const std::string& DSCOMANDA);
  // The register's reserved document numbers whose bill no longer waits for the automatic
  // closing, released or voided as a closing settles them (closing/document_number.cpp).
  void AcertaNumerosDeixados(const std::string& CDFILIAL, const std::string& CDCAIXA);

  // Tables the closing refills on every call. cdsMovCaixaDlv, cdsMovCaixa, cdsFamSaldo and
  // cdsParamImpCupNF have persistent fields (closing/declare_closing.cpp).
  TClientDataSet cdsMovCaixaDlv{"cdsMovCaixaDlv"};
  TClientDataSet cdsItComandaEst{"cdsItComandaEst"};
  TClientDataSet cdsObsItensEst{"cdsObsItensEst"};
  TClientDataSet cdsVendas{"cdsVendas"};
  TClientDataSet cdsItComandasCanc{"cdsItComandasCanc"};
  TClientDataSet cdsObsItens{"cdsObsItens"};
  TClientDataSet cdsMovCaixa{"cdsMovCaixa"};
  TClientDataSet cdsPedidos{"cdsPedidos"};
  TClientDataSet cdsParamImpCupNF{"cdsParamImpCupNF"};
  TClientDataSet cdsFamSaldo{"cdsFamSaldo"};
  TClientDataSet cdsEmprestimoFam{"cdsEmprestimoFam"};
  TClientDataSet cdsVazio{"cdsVazio"};
  TClientDataSet cdsMinDtMovExtCons{"cdsMinDtMovExtCons"};
  TADOCommand acmUpdCupExp;

  // ---- Sale recording (sales/) ----
  TClientDataSet cdsItemVenda{"cdsItemVenda"};
  TADOQuery adqParaVend;
  TADOQuery adqOperAber;
  TADOCommand acmInsVenda;
  TADOCommand acmInsItVendaCan;
  TADOCommand acmInsItemVenda;
  TADOQuery adqPrSubGrProd;
  TADOQuery adqAliqImpFis;
  TDataSetProvider dspAliqImpFis;
  TADOCommand acmInsItVendaImpos;
  // Persistent fields of cdsItemVenda, valid for the instance's life.
  TField* cdsItemVendaIDSTPROCOMVEN = nullptr;
  TField* cdsItemVendaCDPRODUTO = nullptr;
  TField* cdsItemVendaNMPRODUTO = nullptr;
  TField* cdsItemVendaQTPRODCOMVEN = nullptr;
  TField* cdsItemVendaVRPRECCOMVEN = nullptr;
  TField* cdsItemVendaCDARVPROD = nullptr;
  TField* cdsItemVendaCDLOJA = nullptr;
  TField* cdsItemVendaNRMESA = nullptr;
  TField* cdsItemVendaCDFILIAL = nullptr;
  TField* cdsItemVendaSTOBSPEDIDO = nullptr;
  TField* cdsItemVendaNRSEQ = nullptr;
  TField* cdsItemVendaCDOPERADOR = nullptr;
  TField* cdsItemVendaNRCUPOMFIS = nullptr;
  TField* cdsItemVendaCDALIQIMPFIS = nullptr;
  TField* cdsItemVendaCDCLIENTE = nullptr;
  TField* cdsItemVendaCDCCUSCLIE = nullptr;
  TField* cdsItemVendaCDCONSUMIDOR = nullptr;
  TField* cdsItemVendaCDVENDEDOR = nullptr;
  TField* cdsItemVendaNRINSCRCONS = nullptr;
  TField* cdsItemVendaNMCONSVEND = nullptr;
  TField* cdsItemVendaCDSERVFILI = nullptr;
  TField* cdsItemVendaVRACRITVEND = nullptr;
  TField* cdsItemVendaVRDESITVEND = nullptr;
  TField* cdsItemVendaIDSTPRCOMVEN = nullptr;

  // Records a sale whose fiscal closing failed, as cancelled: the sale number in a transaction
  // of its own, then the header and every line in one transaction. "" on success, "ERRO" +
  // message on failure, with nothing of the sale written (the number stays taken). Raises only
  // when rolling back after a failure fails itself.
  Variant setCancelaVenda(const Variant& ItensVenda, const Variant& ItensCanc,
                          const std::u16string& CDCAIXA, const std::u16string& CDEMPRESA,
                          const std::u16string& NRCUPOMFIS, const std::u16string& IDORIGEMVENDA,
                          TDateTime DTABERCAIX);
  // The next sale number of a branch and register, from the shared next-code service.
  std::string PrxNrSeqVenda(const std::string& CDFILIAL, const std::string& CDCAIXA, int n);
  // The working values of one setCancelaVenda call, the cancelled-items table among them
  // (sales/sale_recording.h).
  struct SaleRecording;

 private:
  // Component set-up, one per subsystem folder; called by the constructor in this order.
  void DeclareConnection();           // datamodule/
  void DeclareParameterComponents();  // datamodule/
  void DeclareOrderLookups();         // orderdata/
  void DeclareOrderCommands();        // orderdata/
  void DeclareSaleRecording();        // sales/
  void DeclareClosing();              // closing/
  // Gives every query and command its component name, for the messages that name them.
  void NameComponents();  // datamodule/

  // Sale recording steps (sales/). The rows go through the fiscal package's sale-row writer,
  // on the statements above.
  VyrFiscal::ComandosVenda SaleRowStatements();
  void SorteiaNrSeqVenda(SaleRecording& sale);
  void GravaVendaCancelada(SaleRecording& sale);
  void GravaCabecalhoItem(const SaleRecording& sale, VyrFiscal::GravadorVenda& gravador);
  void GravaCabecalhoCancelado(SaleRecording& sale, VyrFiscal::GravadorVenda& gravador);
  void GravaItensCancelados(SaleRecording& sale, VyrFiscal::GravadorVenda& gravador);
  void GravaItensVenda(VyrFiscal::GravadorVenda& gravador);
};

// The process-wide instance; null until the first worker creates it.
extern TrdmImpExpKds* rdmImpExpKds;

}  // namespace Cli_Qam00417
