// The printer-library start routines reached through the package's function variables.

#include "fiscal/start_routines.h"

#include <gtest/gtest.h>

#include "support/package_fakes.h"

namespace {

TEST(StartRoutinesTest, OwnRoutinesNeedNoDevice) {
  EXPECT_NO_THROW({
    VyrFiscal::StartDarumaFrameWork();
    VyrFiscal::StartMp2032();
    VyrFiscal::StartInterfaceEpsonNF("COM3");
    VyrFiscal::StartSI300(2, 9600);
    VyrFiscal::StartKioskDll();
  });
}

TEST(StartRoutinesTest, AReassignedVariableIsWhatCallersReach) {
  std::string calls;
  {
    static std::string* seen = nullptr;
    seen = &calls;
    const vyrtest::ScopedOverride epson(VyrFiscal::StartInterfaceEpsonNF,
                                        [](const std::string& porta) { *seen += porta + ";"; });
    VyrFiscal::StartInterfaceEpsonNF("COM3");
  }
  VyrFiscal::StartInterfaceEpsonNF("COM4");  // the package's own routine again
  EXPECT_EQ("COM3;", calls);
}

}  // namespace
