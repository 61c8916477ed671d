#include "fiscal/start_routines.h"

namespace VyrFiscal {

namespace {

// The devices of every model are driven by this package's own drivers, which open their port
// on first use: a model's library has nothing to prepare before that.
void DarumaFrameWork() {}
void Mp2032() {}
void InterfaceEpsonNF(const std::string&) {}
void SI300(int, int) {}
void KioskDll() {}

}  // namespace

void (*StartDarumaFrameWork)() = DarumaFrameWork;
void (*StartMp2032)() = Mp2032;
void (*StartInterfaceEpsonNF)(const std::string& porta) = InterfaceEpsonNF;
void (*StartSI300)(int porta, int velocidade) = SI300;
void (*StartKioskDll)() = KioskDll;

}  // namespace VyrFiscal
