// One pass over the register's pending delivery orders. The list is a snapshot taken at the
// start of the pass: closing an order changes the database, not the list.

#include <exception>
#include <set>

#include "datamodule/error_boundary.h"
#include "datamodule/rdm_imp_exp_kds.h"
#include "rtl/text_codec.h"
#include "scan/order_claim.h"
#include "worker/log_imp_exp_kds.h"
#include "worker/worker_control.h"

namespace Cli_Qam00417 {

namespace {

const char* const kSufixoVerifica = " - Qam00417 - Funcao:VerificaPedidosExpKDS";

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

}  // namespace

void TrdmImpExpKds::VerificaPedidosExpKDS(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                          const std::string& CDLOJA) {
  WorkerControl& control = WorkerControl::Instance();
  try {
    cdsPedidosExpKDS.SetData(
        getPedExpKDS(rtl::Utf8ToWide(CDFILIAL), rtl::Utf8ToWide(CDCAIXA), rtl::Utf8ToWide(CDLOJA)));
    if (cdsPedidosExpKDS.IsEmpty()) {
      retryDelays.KeepOnly({});
      return;
    }
    if (!retryDelays.Empty()) retryDelays.KeepOnly(PendingKeys(cdsPedidosExpKDS, CDFILIAL));
    const std::string quantos = std::to_string(cdsPedidosExpKDS.RecordCount());
    for (cdsPedidosExpKDS.First(); !cdsPedidosExpKDS.Eof(); cdsPedidosExpKDS.Next()) {
      // A register paused by its own fault leaves every order where it is.
      if (control.StopRequested() || pausaCaixa.Parado()) return;
      const std::string NRVENDAREST = Coluna(cdsPedidosExpKDS, "NRVENDAREST");
      const std::string NRCOMANDA = Coluna(cdsPedidosExpKDS, "NRCOMANDA");
      // An order held back after a refused sale is passed over in silence until its delay ends.
      if (retryDelays.Waiting(RetryDelays::Key(CDFILIAL, NRVENDAREST, NRCOMANDA))) continue;
      // An order another register is closing is passed over in silence: it leaves the list
      // once that register is done, or becomes this one's when the claim expires.
      const ComandaReservada comanda{CDFILIAL, NRVENDAREST, NRCOMANDA};
      if (!ReservaComanda(adcImpExpKds, comanda, CDCAIXA).empty()) continue;
      LogImpExpKDS("VerificaPedidosExpKDS @");
      LogImpExpKDS("cdsPedidosExpKDS.RecordCount = " + quantos);
      LogImpExpKDS("NRPEDIDOVYR: " + Coluna(cdsPedidosExpKDS, "NRPEDIDOVYR"));
      try {
        cdsVenda.SetData(getVenda(rtl::Utf8ToWide(CDFILIAL), rtl::Utf8ToWide(CDLOJA),
                                  rtl::Utf8ToWide(NRVENDAREST)));
        const std::string DSCOMANDA = Coluna(cdsPedidosExpKDS, "DSCOMANDA");
        if (cdsVenda.IsEmpty()) {
          FechaContaNormal(CDFILIAL, CDCAIXA, CDLOJA, NRCOMANDA, NRVENDAREST, DSCOMANDA);
        } else {
          LogImpExpKDS("Chama funcao setVendaComanda: X");
          const Variant resultado = setVendaComanda(
              rtl::Utf8ToWide(CDFILIAL), rtl::Utf8ToWide(CDLOJA), rtl::Utf8ToWide(NRCOMANDA),
              rtl::Utf8ToWide(NRVENDAREST), rtl::Utf8ToWide(DSCOMANDA), u"X");
          if (resultado.IsEmpty()) control.NoteChange();
        }
      } catch (...) {
        // The closing has logged its own error already; the row's line names no error. A stop
        // that cut a statement short is no failure.
        if (!control.StopRequested()) LogImpExpKDS("Except FechaContaNormal");
      }
      LiberaComanda(adcImpExpKds, comanda, CDCAIXA);
    }
  } catch (const std::exception& e) {
    if (!control.StopRequested()) LogImpExpKDS(e.what() + std::string(kSufixoVerifica));
  } catch (...) {
    LogImpExpKDS(kErroDesconhecido + std::string(kSufixoVerifica));
  }
}

}  // namespace Cli_Qam00417
