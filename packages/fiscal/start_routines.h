#pragma once
// The printer-library start routines of the fiscal-device package. Callers reach them through
// the function variables below, so an installation (or a test) can point a variable at another
// routine. Each variable starts out pointing at this package's own routine, which makes the
// library of one printer model ready and records how it was started.
//
// Thread safety: the recorded start is guarded and may be read from any thread. Reassigning a
// variable while another thread calls it is not safe.

#include <string>

namespace VyrFiscal {

extern void (*StartDarumaFrameWork)();
extern void (*StartMp2032)();
extern void (*StartInterfaceEpsonNF)(const std::string& porta);
extern void (*StartSI300)(int porta, int velocidade);
extern void (*StartKioskDll)();

// How the printer library was last started by this package's own routines.
struct PrinterStart {
  std::string routine;  // "StartDarumaFrameWork", ...; empty when none ran
  std::string porta;    // the port given to StartInterfaceEpsonNF, else empty
  int arg1 = 0;         // the two arguments given to StartSI300, else zero
  int arg2 = 0;
  int count = 0;  // starts since the process began or the last reset
};

PrinterStart LastPrinterStart();
void ResetPrinterStart();

}  // namespace VyrFiscal
