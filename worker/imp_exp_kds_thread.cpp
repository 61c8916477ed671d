#include "worker/imp_exp_kds_thread.h"

#include <exception>
#include <thread>

#include "datamodule/error_boundary.h"
#include "db/db_error.h"
#include "external/fiscal_device.h"
#include "rtl/errors.h"
#include "worker/log_imp_exp_kds.h"
#include "worker/startup_steps.h"
#include "worker/worker_control.h"
#include "worker/worker_status.h"

namespace Cli_Qam00417 {

namespace {

const char* const kSufixoCreate = " - Qam00417 - Funcao:TImpExpKdsThread.Create";
const char* const kSufixoExecute = " - Qam00417 - Funcao:TImpExpKdsThread.Execute";
constexpr int kPausaMs = 1000;

// The worker's last lines must not escape the thread: an error there would end the process.
void LogQuietly(const std::string& message) {
  try {
    LogImpExpKDS(message);
  } catch (...) {
  }
}

// A stop interrupts the statement the worker waits on, which then fails: the host asked for
// that end, so it is reported as the stop, with the interrupted step still in the log.
void EndOnError(const std::string& message) {
  WorkerControl& control = WorkerControl::Instance();
  if (control.StopRequested()) {
    control.SetEnd(kFimParadaSolicitada);
    LogQuietly("Parada da THREAD solicitada pelo host (interrompido: " + message + ")");
    return;
  }
  control.SetEnd(kFimErro, message);
  LogQuietly(message + kSufixoExecute);
}

}  // namespace

TImpExpKdsThread::TImpExpKdsThread(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                   const std::string& CDLOJA, rtl::TDateTime dtAberturaCaixa)
    : FreeOnTerminate(true),
      cdFilial(CDFILIAL),
      cdCaixa(CDCAIXA),
      cdLoja(CDLOJA),
      dtAberturaCaixa(dtAberturaCaixa) {
  // The values are stored before the thread exists: Execute may begin before this returns.
  try {
    WorkerControl::Instance().Adopt(std::thread(&TImpExpKdsThread::Run, this));
  } catch (const std::exception& e) {
    WorkerControl::Instance().AbandonClaim();
    LogImpExpKDS(e.what() + std::string(kSufixoCreate));
  }
}

TImpExpKdsThread::~TImpExpKdsThread() = default;

void TImpExpKdsThread::Run(TImpExpKdsThread* self) {
  self->Execute();
  self->Terminate();
  const bool free_on_terminate = self->FreeOnTerminate;
  if (free_on_terminate) delete self;
  WorkerControl::Instance().Release();
}

void TImpExpKdsThread::Execute() {
  try {
    bool boImpAutCupExp = false;
    StartUp(boImpAutCupExp);
    ScanLoop(boImpAutCupExp);
  } catch (const std::exception& e) {
    EndOnError(e.what());
  } catch (...) {
    EndOnError(kErroDesconhecido);
  }
  LogTerminate();
}

void TImpExpKdsThread::StartUp(bool& boImpAutCupExp) {
  TrdmImpExpKds& dm = EnsureDataModules();
  boImpAutCupExp = ReadParameters(dm, cdFilial, cdCaixa, cdLoja, dtAberturaCaixa);
  // Read before the local tables, whose errors would override it: a switch that reads off
  // because the register has no settings row is a different mistake from a switch set off.
  const int end_reason =
      dm.cdsParametros.IsEmpty() ? kFimCaixaNaoEncontrado : kFimFechamentoDesligado;
  LoadLocalTables(dm);
  dm.dsPastaXml = XmlFolder(cdFilial, cdCaixa);
  if (!boImpAutCupExp) {
    WorkerControl::Instance().SetEnd(end_reason);
    return;
  }
  // A stop that came while the settings were read leaves the printer alone; the scan loop
  // then ends the worker without a pass.
  if (WorkerControl::Instance().StopRequested()) return;
  // A certificate near its end is announced; one that cannot sign now is the register's fault,
  // which pauses its closings from the first pass until it is mended.
  if (dm.boVyrNfce) AnunciaValidadeCertificado();
  boImpAutCupExp = StartPrinterLibrary(dm);
  if (!boImpAutCupExp) WorkerControl::Instance().SetEnd(kFimSemImpressora);
}

void TImpExpKdsThread::ScanLoop(bool boImpAutCupExp) {
  WorkerControl& control = WorkerControl::Instance();
  TrdmImpExpKds& dm = *rdmImpExpKds;
  bool recuperado = false;
  while (boImpAutCupExp && !control.StopRequested()) {
    control.SetStatus(kStatusVarrendo);
    // The scan reloads its order list on every pass; closing it first keeps a pass whose
    // lookup failed from reporting the previous pass's orders as still pending.
    dm.cdsPedidosExpKDS.Close();
    const bool estava_parado = dm.pausaCaixa.Parado();
    if (CaixaParado(dm)) {
      control.EndPausedPass();
    } else {
      // The interrupted sales are recovered before the first scan, once the register can act.
      if (!recuperado) dm.RecuperaDocumentosPendentes(cdFilial, cdCaixa);
      recuperado = true;
      Pass(dm, estava_parado);
    }
    if (!control.Pause(kPausaMs)) break;
  }
  if (boImpAutCupExp && control.StopRequested()) {
    control.SetEnd(kFimParadaSolicitada);
    LogImpExpKDS("Parada da THREAD solicitada pelo host");
  }
}

void TImpExpKdsThread::Pass(TrdmImpExpKds& dm, bool retomando) {
  WorkerControl& control = WorkerControl::Instance();
  const long changes_before = control.Changes();
  // A register resuming from a pause first issues what the sales its fault interrupted still
  // owe: a fault met there again pauses it before a new order is closed.
  if (retomando) dm.EmiteDocumentosPendentes(cdFilial, cdCaixa);
  if (!dm.pausaCaixa.Parado()) dm.VerificaPedidosExpKDS(cdFilial, cdCaixa, cdLoja);
  if (!retomando) dm.EmiteDocumentosPendentes(cdFilial, cdCaixa);
  // A stop cuts the transmission's statements short: that is no failure to report.
  if (dm.boVyrNfce && !dm.pausaCaixa.Parado() && !control.StopRequested()) {
    const TransmissaoNfce transmissao = TransmiteNfcePendentes(cdFilial, cdCaixa);
    if (!control.StopRequested()) {
      for (const std::string& linha : transmissao.linhas) LogImpExpKDS(linha);
    }
    // A note settled is work done: a run that waits for an idle pass goes on sending the rest.
    for (int i = 0; i < transmissao.resolvidas; ++i) control.NoteChange();
  }
  control.EndPass(dm.cdsPedidosExpKDS.Active() ? dm.cdsPedidosExpKDS.RecordCount() : 0,
                  static_cast<int>(control.Changes() - changes_before));
}

// A store that cannot be read says nothing about the register: the pass then runs and reports
// the store's failure where it meets it.
bool TImpExpKdsThread::CaixaParado(TrdmImpExpKds& dm) {
  std::string falha;
  if (dm.boVyrNfce || dm.boVyrSat) {
    try {
      falha = VerificaProntidaoCaixa(cdFilial, cdCaixa, dm.idTipoEmissao);
    } catch (const std::exception& e) {
      if (rtl::IsProgrammingError(e)) throw;
    }
  }
  const std::string linha = dm.pausaCaixa.Verifica(cdFilial, cdCaixa, falha, rtl::Now());
  if (!linha.empty()) LogImpExpKDS(linha);
  return dm.pausaCaixa.Parado();
}

// Whatever keeps the certificate from being read is the register's fault, which the first pass
// reports and pauses on; only a store that fails ends the start-up, as it would anywhere else.
void TImpExpKdsThread::AnunciaValidadeCertificado() {
  try {
    const std::string aviso = VerificaCertificadoNFCe(cdFilial, cdCaixa);
    if (!aviso.empty()) LogImpExpKDS(aviso);
  } catch (const std::exception& e) {
    if (rtl::IsProgrammingError(e) || dynamic_cast<const ado::EADOError*>(&e) != nullptr) throw;
  }
}

void TImpExpKdsThread::LogTerminate() {
  LogQuietly("TERMINATE THREAD_" + cdFilial + "_" + cdCaixa + "_" + cdLoja +
             rtl::DateTimeToStr(dtAberturaCaixa));
  LogQuietly("");
}

}  // namespace Cli_Qam00417
