#include "fiscal/start_routines.h"

#include "fiscal/receipt/receipt_state.h"

namespace VyrFiscal {

namespace {

// The devices of every model are driven by this package's own drivers, which open their port
// on first use: a model's library has nothing to prepare before that. Starting it tells the
// receipts that prints left unfinished before now belong to a process that is gone.
void DarumaFrameWork() {
  Cupom::MarcaInicioDaImpressora();
}
void Mp2032() {
  Cupom::MarcaInicioDaImpressora();
}
void InterfaceEpsonNF(const std::string&) {
  Cupom::MarcaInicioDaImpressora();
}
void SI300(int, int) {
  Cupom::MarcaInicioDaImpressora();
}
void KioskDll() {
  Cupom::MarcaInicioDaImpressora();
}

}  // namespace

void (*StartDarumaFrameWork)() = DarumaFrameWork;
void (*StartMp2032)() = Mp2032;
void (*StartInterfaceEpsonNF)(const std::string& porta) = InterfaceEpsonNF;
void (*StartSI300)(int porta, int velocidade) = SI300;
void (*StartKioskDll)() = KioskDll;

}  // namespace VyrFiscal
