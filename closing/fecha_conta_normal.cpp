// The frame of one bill's closing: its steps in order, the ways out, and the lines that open
// and close every call in the log.

#include <exception>

#include "closing/closing_context.h"
#include "datamodule/error_boundary.h"
#include "external/fiscal_device.h"
#include "rtl/datetime.h"
#include "worker/log_imp_exp_kds.h"
#include "worker/worker_control.h"

namespace Cli_Qam00417 {

namespace closing {
namespace {

const char* const kSufixoFechaConta = " - Qam00417 - Funcao:FechaContaNormal";

bool EmiteDocumento(const TrdmImpExpKds& dm) {
  return dm.boVyrNfce || dm.boVyrSat;
}

// A bill another register recorded first: its sale number means nothing with this register's
// code, so nothing of it is emitted or printed here.
bool GravadaPorOutroCaixa(const ContaEmFechamento& conta) {
  const VendaRespondida venda = DesempacotaVendaRespondida(conta.retornoFiscal);
  if (venda.CDCAIXA.empty() || venda.CDCAIXA == conta.CDCAIXA) return false;
  LogImpExpKDS("Comanda " + conta.NRCOMANDA + " já gravada pelo caixa " + venda.CDCAIXA +
               " na venda " + conta.dsRetornoFechamento + "; nada a emitir ou imprimir");
  return true;
}

void LogInterrompido(const ContaEmFechamento& conta) {
  LogImpExpKDS("Fechamento da comanda " + conta.NRCOMANDA +
               " interrompido pela parada da THREAD; a próxima execução o conclui");
}

// Everything after the order is gathered, in order; returns where a step leaves the closing.
void ConcluiFechamento(TrdmImpExpKds& dm, ContaEmFechamento& conta) {
  if (!BuildCashMovements(dm, conta)) return;
  if (!SettleConsumerBalance(dm, conta)) return;
  if (!CheckTotals(dm, conta)) return;
  ReadSaleOrigin(dm, conta);
  if (EmiteDocumento(dm)) ComputeTaxFigures(dm, conta);
  conta.NovoRetornoFiscal();
  LogImpExpKDS("Numero da comanda:" + conta.NRCOMANDA);
  if (!dm.cdsPedidos.Locate("NRCOMANDA", Variant(conta.NRCOMANDA))) {
    LogImpExpKDS("Pedido não localizado - numero: " + conta.NRCOMANDA);
    HoldBack(dm, conta);
    return;
  }
  LogImpExpKDS("Chamada da setconcluifechamento");
  conta.idRetBalLoja = dm.cdsPedidos.FieldByName("IDRETBALLOJA").AsString();
  conta.inFiscalClosing = true;
  if (!EmiteDocumento(dm) || PrepareDocumentNumber(dm, conta)) CallFiscalClosing(dm, conta);
  conta.inFiscalClosing = false;
  if (RespostaEhNumeroVenda(conta.dsRetornoFechamento) && GravadaPorOutroCaixa(conta)) {
    // The other register documents and prints its sale; this one only takes the order off.
    WorkerControl::Instance().NoteChange();
    MarkOrder(dm, conta);
    return;
  }
  if (RespostaEhNumeroVenda(conta.dsRetornoFechamento)) {
    // The sale is recorded: the store has changed, whatever the document and the marking do.
    WorkerControl::Instance().NoteChange();
    if (EmiteDocumento(dm) && !EmitFiscalDocument(dm, conta)) return;
    MarkOrder(dm, conta);
  }
  LogImpExpKDS("Retorno da setConcluifechamento: " + conta.dsRetornoFechamento);
  if (RespostaEhErro(conta.dsRetornoFechamento) && WorkerControl::Instance().StopRequested()) {
    // A refusal met while the worker stops may be the stop's doing: the next run decides.
    LogInterrompido(conta);
  } else if (RespostaEhErro(conta.dsRetornoFechamento)) {
    RecordCancelledSale(dm, conta);
  } else if (!RespostaEhNumeroVenda(conta.dsRetornoFechamento)) {
    HoldBack(dm, conta);  // nothing recorded and no reason given: retrying each second burns time
  }
}

// The ways out of an exception that are no failure of the order: a fault of the register pauses
// it (nothing of the order is refused or held back), and a stop leaves the order to the next run.
// True when the exception took one of them.
bool SaidaSemFalha(TrdmImpExpKds& dm, const ContaEmFechamento& conta, std::exception_ptr erro) {
  try {
    std::rethrow_exception(erro);
  } catch (const std::exception& e) {
    if (const FalhaDoCaixa* falha = ComoFalhaDoCaixa(e)) {
      const std::string linha = dm.pausaCaixa.Entra(conta.CDFILIAL, conta.CDCAIXA, falha->what(),
                                                    rtl::Now(), falha->Verificavel());
      if (!linha.empty()) LogImpExpKDS(linha);
      return true;
    }
  } catch (...) {
  }
  if (!WorkerControl::Instance().StopRequested()) return false;
  LogInterrompido(conta);
  return true;
}

void LogFim(const ContaEmFechamento& conta) {
  LogImpExpKDS("FIM-FechaContaNormal(" + conta.Arguments() + ")");
  LogImpExpKDS("");
}

}  // namespace

std::string ContaEmFechamento::Arguments() const {
  return CDFILIAL + ", " + CDCAIXA + ", " + CDLOJA + ", " + NRCOMANDA + ", " + NRVENDAREST + ", " +
         DSCOMANDA;
}

}  // namespace closing

void TrdmImpExpKds::FechaContaNormal(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                     const std::string& CDLOJA, const std::string& NRCOMANDA,
                                     const std::string& NRVENDAREST, const std::string& DSCOMANDA) {
  closing::ContaEmFechamento conta;
  conta.CDFILIAL = CDFILIAL;
  conta.CDCAIXA = CDCAIXA;
  conta.CDLOJA = CDLOJA;
  conta.NRCOMANDA = NRCOMANDA;
  conta.NRVENDAREST = NRVENDAREST;
  conta.DSCOMANDA = DSCOMANDA;
  LogImpExpKDS("INI-FechaContaNormal(" + conta.Arguments() + ")");
  try {
    if (closing::CheckOrderNumbers(*this, conta)) {
      closing::GatherOrder(*this, conta);
      closing::ConcluiFechamento(*this, conta);
    }
  } catch (...) {
    if (closing::SaidaSemFalha(*this, conta, std::current_exception())) {
      closing::LogFim(conta);
      return;
    }
    // The handler's line comes before the frame's end; the scan logs its own line after both.
    LogImpExpKDS(OwnMessage(std::current_exception()) + closing::kSufixoFechaConta);
    if (conta.inFiscalClosing) closing::HoldBack(*this, conta);
    closing::LogFim(conta);
    throw;
  }
  closing::LogFim(conta);
}

}  // namespace Cli_Qam00417
