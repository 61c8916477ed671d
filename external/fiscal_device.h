#pragma once
// The fiscal-device package as the module sees it: function variables, called through the
// pointer they hold at the moment of the call.

#include "fiscal/fiscal_functions.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/start_routines.h"

namespace Cli_Qam00417 {

using VyrFiscal::StartDarumaFrameWork;
using VyrFiscal::StartInterfaceEpsonNF;
using VyrFiscal::StartKioskDll;
using VyrFiscal::StartMp2032;
using VyrFiscal::StartSI300;

using VyrFiscal::AlteraVendaCan;
using VyrFiscal::AtualizaVendaSat;
using VyrFiscal::BuscaVenda;
using VyrFiscal::CalculoIcmsDFederal;
using VyrFiscal::DisparaImpressaoNaoFiscal;
using VyrFiscal::getDataEmissNFCe;
using VyrFiscal::getNumeroSerieNFCe;
using VyrFiscal::SATOnline;
using VyrFiscal::SetConcluiFechamento;

}  // namespace Cli_Qam00417
