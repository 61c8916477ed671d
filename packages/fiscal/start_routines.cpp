#include "fiscal/start_routines.h"

#include <mutex>

namespace VyrFiscal {

namespace {

std::mutex start_mutex;
PrinterStart last_start;

void Record(const char* routine, const std::string& porta = "", int arg1 = 0, int arg2 = 0) {
  std::lock_guard<std::mutex> lock(start_mutex);
  const int count = last_start.count + 1;
  last_start = PrinterStart{routine, porta, arg1, arg2, count};
}

// The devices of every model are driven by this package's own drivers, which open their port
// on first use; starting a model's library therefore only records which model is in use.
void DarumaFrameWork() {
  Record("StartDarumaFrameWork");
}
void Mp2032() {
  Record("StartMp2032");
}
void InterfaceEpsonNF(const std::string& porta) {
  Record("StartInterfaceEpsonNF", porta);
}
void SI300(int porta, int velocidade) {
  Record("StartSI300", "", porta, velocidade);
}
void KioskDll() {
  Record("StartKioskDll");
}

}  // namespace

void (*StartDarumaFrameWork)() = DarumaFrameWork;
void (*StartMp2032)() = Mp2032;
void (*StartInterfaceEpsonNF)(const std::string& porta) = InterfaceEpsonNF;
void (*StartSI300)(int porta, int velocidade) = SI300;
void (*StartKioskDll)() = KioskDll;

PrinterStart LastPrinterStart() {
  std::lock_guard<std::mutex> lock(start_mutex);
  return last_start;
}

void ResetPrinterStart() {
  std::lock_guard<std::mutex> lock(start_mutex);
  last_start = PrinterStart{};
}

}  // namespace VyrFiscal
