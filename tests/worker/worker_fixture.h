#pragma once
// A fresh store in its own folder as the program directory, the printer start routines
// replaced by recording fakes, and helpers to run a worker and read its log lines.

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "fiscal/start_routines.h"
#include "rtl/datetime.h"
#include "support/package_fakes.h"
#include "support/store_builders.h"
#include "support/temp_store.h"

namespace workertest {

// The printer start routines' calls, recorded by the fixture's fakes, as
// "StartSI300(0,0);StartInterfaceEpsonNF(COM7);".
inline std::string PrinterCalls() {
  return vyrtest::PackageCalls().Text();
}

class WorkerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static constexpr const char* kFilial = "0001";
  static constexpr const char* kLoja = "01";
  static constexpr const char* kCaixa = "001";

  void InsertRegister(const vyrtest::RegisterOptions& options);
  // Calls the entry for the test register and waits for the worker to end by itself.
  void RunUntilEnd(rtl::TDateTime abertura = rtl::EncodeDate(2026, 12, 6));
  // Calls the entry, waits for the worker's first finished pass, then stops the worker.
  void RunOnePassAndStop(rtl::TDateTime abertura = rtl::EncodeDate(2026, 12, 6));
  // Waits (bounded) until the worker has finished a pass.
  void WaitForPass();
  // Passes finished since the test began, as the worker control's pass observer saw them.
  int Passes() const;

  // The messages of today's log, without their date-time prefix.
  std::vector<std::string> LogMessages() const;

  // Saves a table file under <dir>/Dados/Cadastros/.
  void WriteDataMovimento(rtl::TDateTime dataMovimento) const;
  void WriteAberturaCaixa(const std::string& stored_code) const;
  void WriteConfTipoRece(const std::string& cdtiporece) const;
  void WriteGarbage(const std::string& file) const;

  vyrtest::TempStore store_;

 private:
  mutable std::mutex pass_mutex_;
  std::condition_variable pass_done_;
  int passes_ = 0;

  // The printer start routines record their calls instead of starting anything.
  static void Record(const std::string& call) { vyrtest::PackageCalls().Record(call); }
  vyrtest::ScopedOverride<void (*)()> daruma_{VyrFiscal::StartDarumaFrameWork,
                                              [] { Record("StartDarumaFrameWork"); }};
  vyrtest::ScopedOverride<void (*)()> mp2032_{VyrFiscal::StartMp2032,
                                              [] { Record("StartMp2032"); }};
  vyrtest::ScopedOverride<void (*)(const std::string&)> epson_{
      VyrFiscal::StartInterfaceEpsonNF,
      [](const std::string& porta) { Record("StartInterfaceEpsonNF(" + porta + ")"); }};
  vyrtest::ScopedOverride<void (*)(int, int)> si300_{
      VyrFiscal::StartSI300, [](int a, int b) {
        Record("StartSI300(" + std::to_string(a) + "," + std::to_string(b) + ")");
      }};
  vyrtest::ScopedOverride<void (*)()> kiosk_{VyrFiscal::StartKioskDll,
                                             [] { Record("StartKioskDll"); }};
};

}  // namespace workertest
