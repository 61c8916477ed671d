#pragma once
// The printer-library start routines of the fiscal-device package. Callers reach them through
// the function variables below, so an installation (or a test) can point a variable at another
// routine. Each variable starts out pointing at this package's own routine, which makes the
// library of one printer model ready.
//
// Thread safety: reassigning a variable while another thread calls it is not safe.

#include <string>

namespace VyrFiscal {

extern void (*StartDarumaFrameWork)();
extern void (*StartMp2032)();
extern void (*StartInterfaceEpsonNF)(const std::string& porta);
extern void (*StartSI300)(int porta, int velocidade);
extern void (*StartKioskDll)();

}  // namespace VyrFiscal
