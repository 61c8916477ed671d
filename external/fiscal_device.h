#pragma once
// The fiscal-device package as the module sees it: function variables, called through the
// pointer they hold at the moment of the call.

#include "fiscal/start_routines.h"

namespace Cli_Qam00417 {

using VyrFiscal::StartDarumaFrameWork;
using VyrFiscal::StartInterfaceEpsonNF;
using VyrFiscal::StartKioskDll;
using VyrFiscal::StartMp2032;
using VyrFiscal::StartSI300;

}  // namespace Cli_Qam00417
