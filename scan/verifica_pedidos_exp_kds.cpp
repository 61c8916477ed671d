// One pass over the register's pending delivery orders. The list is a snapshot taken at the
// start of the pass: closing an order changes the database, not the list.

#include <exception>
#include <set>

#include "datamodule/error_boundary.h"
#include "datamodule/rdm_imp_exp_kds.h"
#include "datamodule/transaction_scope.h"
#include "rtl/datetime.h"
#include "rtl/text_codec.h"
#include "scan/odd_bills.h"
#include "scan/order_claim.h"
#include "worker/log_imp_exp_kds.h"
#include "worker/worker_control.h"

namespace Cli_Qam00417 {

namespace {

const char* const kSufixoVerifica = " - Qam00417 - Funcao:VerificaPedidosExpKDS";

// Claims left on bills that no longer wait keep nothing apart and are rare (a register that
// stopped holding one): dropping them once a minute, not at every pass, spares a write per pass
// while orders come one at a time.
constexpr double kIntervaloReservasDeixadas = 60.0 / 86400.0;

std::string Coluna(TClientDataSet& table, const char* column) {
  return table.FieldByName(column).AsString();
}

// The keys of the orders on the list, so that an order that left it loses its retry delay.
std::set<std::string> PendingKeys(TClientDataSet& pedidos, const std::string& CDFILIAL) {
  std::set<std::string> keys;
  for (pedidos.First(); !pedidos.Eof(); pedidos.Next()) {
    keys.insert(
        RetryDelays::Key(CDFILIAL, Coluna(pedidos, "NRVENDAREST"), Coluna(pedidos, "NRCOMANDA")));
  }
  pedidos.First();
  return keys;
}

// The bills the exported data keeps from closing (scan/odd_bills.h), by key. Each line is logged
// once, and again on a new day, for `hostagent status` reads the logs of today and yesterday.
std::set<std::string> BillsAtFault(ado::TADOConnection& conexao, OrderNotices& avisos,
                                   const std::string& CDFILIAL, const std::string& CDLOJA,
                                   const std::string& CDCAIXA) {
  std::set<std::string> keys;
  const std::string hoje = std::to_string(static_cast<long>(rtl::Date()));
  for (const ComandaAnomala& comanda : ComandasAnomalas(conexao, CDFILIAL, CDLOJA, CDCAIXA)) {
    const std::string key = RetryDelays::Key(CDFILIAL, comanda.NRVENDAREST, comanda.NRCOMANDA);
    keys.insert(key);
    if (avisos.Note(key, comanda.linha + '\x1f' + hoje)) LogImpExpKDS(comanda.linha);
  }
  avisos.KeepOnly(keys);
  return keys;
}

// An order whose sale exists: the register that recorded it is named when it is another one, and
// the mark and the claim's release commit together, so no claim outlives a marked order.
void MarcaVendida(TrdmImpExpKds& dm, const std::string& CDCAIXA, const std::string& CDLOJA,
                  const ComandaReservada& comanda, const std::string& DSCOMANDA) {
  const VendaDeOutroCaixa outra = VendaGravadaPorOutroCaixa(dm.adcImpExpKds, comanda, CDCAIXA);
  if (!outra.CDCAIXA.empty()) {
    LogImpExpKDS("Comanda " + comanda.NRCOMANDA + " já gravada pelo caixa " + outra.CDCAIXA +
                 " na venda " + outra.NRSEQVENDA + "; nada a emitir ou imprimir");
  }
  LogImpExpKDS("Chama funcao setVendaComanda: X");
  TransactionScope transacao(dm);
  const Variant resultado =
      dm.setVendaComanda(rtl::Utf8ToWide(comanda.CDFILIAL), rtl::Utf8ToWide(CDLOJA),
                         rtl::Utf8ToWide(comanda.NRCOMANDA), rtl::Utf8ToWide(comanda.NRVENDAREST),
                         rtl::Utf8ToWide(DSCOMANDA), u"X");
  if (!resultado.IsEmpty()) return;
  LiberaComanda(dm.adcImpExpKds, comanda, CDCAIXA);
  transacao.Commit();
  dm.reservaDevolvida = true;
  WorkerControl::Instance().NoteChange();
}

}  // namespace

void TrdmImpExpKds::VerificaPedidosExpKDS(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                          const std::string& CDLOJA) {
  WorkerControl& control = WorkerControl::Instance();
  try {
    cdsPedidosExpKDS.SetData(
        getPedExpKDS(rtl::Utf8ToWide(CDFILIAL), rtl::Utf8ToWide(CDCAIXA), rtl::Utf8ToWide(CDLOJA)));
    const std::set<std::string> anomalas =
        BillsAtFault(adcImpExpKds, oddBillNotices, CDFILIAL, CDLOJA, CDCAIXA);
    if (cdsPedidosExpKDS.IsEmpty()) {
      retryDelays.KeepOnly({});
      refusalNotices.KeepOnly({});
      return;
    }
    if (!retryDelays.Empty() || !refusalNotices.Empty()) {
      const std::set<std::string> pendentes = PendingKeys(cdsPedidosExpKDS, CDFILIAL);
      retryDelays.KeepOnly(pendentes);
      refusalNotices.KeepOnly(pendentes);
    }
    const double desde = rtl::Now() - reservasDeixadasLiberadasEm;
    if (desde < 0 || desde >= kIntervaloReservasDeixadas) {  // a clock set back sweeps too
      LiberaComandasDeixadas(adcImpExpKds, CDFILIAL);
      reservasDeixadasLiberadasEm = rtl::Now();
    }
    const std::string quantos = std::to_string(cdsPedidosExpKDS.RecordCount());
    for (cdsPedidosExpKDS.First(); !cdsPedidosExpKDS.Eof(); cdsPedidosExpKDS.Next()) {
      // A register paused by its own fault leaves every order where it is.
      if (control.StopRequested() || pausaCaixa.Parado()) return;
      const std::string NRVENDAREST = Coluna(cdsPedidosExpKDS, "NRVENDAREST");
      const std::string NRCOMANDA = Coluna(cdsPedidosExpKDS, "NRCOMANDA");
      // An order held back after a refused sale is passed over in silence until its delay ends;
      // a bill the exported data keeps from closing, until the data is mended.
      const std::string key = RetryDelays::Key(CDFILIAL, NRVENDAREST, NRCOMANDA);
      if (retryDelays.Waiting(key) || anomalas.count(key) != 0) continue;
      // An order another register is closing is passed over in silence: it leaves the list
      // once that register is done, or becomes this one's when the claim expires.
      const ComandaReservada comanda{CDFILIAL, NRVENDAREST, NRCOMANDA};
      if (!ReservaComanda(adcImpExpKds, comanda, CDCAIXA).empty()) continue;
      LogImpExpKDS("VerificaPedidosExpKDS @");
      LogImpExpKDS("cdsPedidosExpKDS.RecordCount = " + quantos);
      LogImpExpKDS("NRPEDIDOVYR: " + Coluna(cdsPedidosExpKDS, "NRPEDIDOVYR"));
      reservaDevolvida = false;
      try {
        cdsVenda.SetData(getVenda(rtl::Utf8ToWide(CDFILIAL), rtl::Utf8ToWide(CDLOJA),
                                  rtl::Utf8ToWide(NRVENDAREST)));
        const std::string DSCOMANDA = Coluna(cdsPedidosExpKDS, "DSCOMANDA");
        if (cdsVenda.IsEmpty()) {
          FechaContaNormal(CDFILIAL, CDCAIXA, CDLOJA, NRCOMANDA, NRVENDAREST, DSCOMANDA);
        } else {
          MarcaVendida(*this, CDCAIXA, CDLOJA, comanda, DSCOMANDA);
        }
      } catch (...) {
        // The closing has logged its own error already; the row's line names no error. A stop
        // that cut a statement short is no failure.
        if (!control.StopRequested()) LogImpExpKDS("Except FechaContaNormal");
      }
      // An order left pending (held back, refused, failed) gives its claim back here.
      if (!reservaDevolvida) LiberaComanda(adcImpExpKds, comanda, CDCAIXA);
    }
  } catch (const std::exception& e) {
    if (!control.StopRequested()) LogImpExpKDS(e.what() + std::string(kSufixoVerifica));
  } catch (...) {
    LogImpExpKDS(kErroDesconhecido + std::string(kSufixoVerifica));
  }
}

}  // namespace Cli_Qam00417
