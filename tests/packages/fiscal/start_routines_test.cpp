// The printer-library start routines reached through the package's function variables.

#include "fiscal/start_routines.h"

#include <gtest/gtest.h>

namespace {

std::string Describe(const VyrFiscal::PrinterStart& start) {
  return start.routine + "|" + start.porta + "|" + std::to_string(start.arg1) + "," +
         std::to_string(start.arg2) + "|" + std::to_string(start.count);
}

class StartRoutinesTest : public ::testing::Test {
 protected:
  void SetUp() override { VyrFiscal::ResetPrinterStart(); }
};

TEST_F(StartRoutinesTest, NothingRecordedBeforeAStart) {
  EXPECT_EQ("||0,0|0", Describe(VyrFiscal::LastPrinterStart()));
}

TEST_F(StartRoutinesTest, EachRoutineRecordsItselfAndItsArguments) {
  VyrFiscal::StartDarumaFrameWork();
  EXPECT_EQ("StartDarumaFrameWork||0,0|1", Describe(VyrFiscal::LastPrinterStart()));
  VyrFiscal::StartMp2032();
  EXPECT_EQ("StartMp2032||0,0|2", Describe(VyrFiscal::LastPrinterStart()));
  VyrFiscal::StartInterfaceEpsonNF("COM3");
  EXPECT_EQ("StartInterfaceEpsonNF|COM3|0,0|3", Describe(VyrFiscal::LastPrinterStart()));
  VyrFiscal::StartSI300(2, 9600);
  EXPECT_EQ("StartSI300||2,9600|4", Describe(VyrFiscal::LastPrinterStart()));
  VyrFiscal::StartKioskDll();
  EXPECT_EQ("StartKioskDll||0,0|5", Describe(VyrFiscal::LastPrinterStart()));
}

TEST_F(StartRoutinesTest, ALaterStartReplacesTheEarlierPort) {
  VyrFiscal::StartInterfaceEpsonNF("COM3");
  VyrFiscal::StartKioskDll();
  EXPECT_EQ("", VyrFiscal::LastPrinterStart().porta);
}

TEST_F(StartRoutinesTest, AReassignedVariableIsWhatCallersReach) {
  void (*const original)() = VyrFiscal::StartKioskDll;
  static int fake_calls = 0;
  VyrFiscal::StartKioskDll = [] { ++fake_calls; };
  VyrFiscal::StartKioskDll();
  VyrFiscal::StartKioskDll = original;
  EXPECT_EQ(1, fake_calls);
  EXPECT_EQ(0, VyrFiscal::LastPrinterStart().count);
}

}  // namespace
