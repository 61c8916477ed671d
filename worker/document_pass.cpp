// The document pass: after each scan, the register's recorded sales that still owe their fiscal
// document or their receipt get them, through the fiscal package, which asks the device, the
// authoriser or the print state before it acts again.
//
// A pass tries a few sales only, so new orders are not held up behind a backlog; a sale that
// fails waits as a refused order does (1 s, 2 s, ... up to 5 minutes), and its failure is
// logged once per wait.

#include <exception>
#include <set>

#include "datamodule/error_boundary.h"
#include "datamodule/rdm_imp_exp_kds.h"
#include "external/fiscal_device.h"
#include "rtl/errors.h"
#include "worker/log_imp_exp_kds.h"
#include "worker/worker_control.h"

namespace Cli_Qam00417 {

namespace {

// Sales tried in one pass, and sales read to find them past those that wait.
constexpr int kVendasPorPassagem = 3;
constexpr int kVendasLidas = 50;

const char* const kSufixoDocumentos = " - Qam00417 - Funcao:EmiteDocumentosPendentes";
const char* const kSufixoRecupera = " - Qam00417 - Funcao:RecuperaDocumentosPendentes";

// A fault of the register pauses it, and a stop cuts the work short: neither is a failure of
// the sale, which keeps no delay and is tried again once the register acts. True for those.
bool SemFalhaDaVenda(PausaDoCaixa& pausa, const std::string& CDFILIAL, const std::string& CDCAIXA,
                     const std::exception& erro) {
  if (const FalhaDoCaixa* falha = ComoFalhaDoCaixa(erro)) {
    const std::string linha =
        pausa.Entra(CDFILIAL, CDCAIXA, falha->what(), rtl::Now(), falha->Verificavel());
    if (!linha.empty()) LogImpExpKDS(linha);
    return true;
  }
  return WorkerControl::Instance().StopRequested();
}

}  // namespace

void TrdmImpExpKds::EmiteDocumentosPendentes(const std::string& CDFILIAL,
                                             const std::string& CDCAIXA) {
  if (!boVyrNfce && !boVyrSat) return;
  WorkerControl& control = WorkerControl::Instance();
  if (pausaCaixa.Parado()) return;
  try {
    const std::vector<std::string> vendas = DocumentosPendentes(CDFILIAL, CDCAIXA, kVendasLidas);
    std::set<std::string> devidas;
    for (const std::string& venda : vendas)
      devidas.insert(RetryDelays::Key(CDFILIAL, CDCAIXA, venda));
    documentDelays.KeepOnly(devidas);
    int tentadas = 0;
    for (const std::string& NRSEQVENDA : vendas) {
      if (tentadas == kVendasPorPassagem || control.StopRequested() || pausaCaixa.Parado()) {
        return;
      }
      const std::string chave = RetryDelays::Key(CDFILIAL, CDCAIXA, NRSEQVENDA);
      if (documentDelays.Waiting(chave)) continue;
      ++tentadas;
      PedidoDocumento pedido;
      pedido.CDFILIAL = CDFILIAL;
      pedido.CDCAIXA = CDCAIXA;
      pedido.NRSEQVENDA = NRSEQVENDA;
      pedido.idUtilSatComp = idUtilSatComp;
      pedido.cdAtivacaoSat = cdAtivacaoSat;
      pedido.nrSeqImprLoja6 = nrSeqImprLoja6;
      pedido.idTipoImpNf6 = idTipoImpNf6;
      pedido.cdPortaImpNf6 = cdPortaImpNf6;
      try {
        const std::string feito = EmiteDocumentoPendente(pedido);
        if (!feito.empty()) {
          LogImpExpKDS("Documento pendente da venda " + NRSEQVENDA + " do caixa " + CDCAIXA + ": " +
                       feito);
          control.NoteChange();
        }
      } catch (const std::exception& e) {
        if (rtl::IsProgrammingError(e)) throw;
        if (SemFalhaDaVenda(pausaCaixa, CDFILIAL, CDCAIXA, e)) return;
        const int espera = documentDelays.NoteRefusal(chave);
        LogImpExpKDS("Documento pendente da venda " + NRSEQVENDA + " do caixa " + CDCAIXA +
                     " falhou: " + e.what() + " - nova tentativa em " + std::to_string(espera) +
                     " s");
      }
    }
  } catch (...) {
    if (!control.StopRequested()) {
      LogImpExpKDS(OwnMessage(std::current_exception()) + kSufixoDocumentos);
    }
  }
}

// A device may remember only its last session: the sale whose answer was lost must be asked
// about before any new sale is sent to the device, or it would be sent a second time.
void TrdmImpExpKds::RecuperaDocumentosPendentes(const std::string& CDFILIAL,
                                                const std::string& CDCAIXA) {
  WorkerControl& control = WorkerControl::Instance();
  for (;;) {
    const long antes = control.Changes();
    EmiteDocumentosPendentes(CDFILIAL, CDCAIXA);
    if (control.StopRequested()) return;
    // Nothing left, or only sales that failed and wait: the scan's passes take them from here.
    if (control.Changes() == antes) break;
  }
  if (!boVyrNfce && !boVyrSat) return;
  try {
    AcertaNumerosDeixados(CDFILIAL, CDCAIXA);
  } catch (...) {
    // The next closing settles them again.
    if (!control.StopRequested()) {
      LogImpExpKDS(OwnMessage(std::current_exception()) + kSufixoRecupera);
    }
  }
}

}  // namespace Cli_Qam00417
