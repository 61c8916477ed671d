#pragma once
// The steps of the worker's start-up, in the order the worker runs them. Each raises the
// error that ends the worker (database, table file, decryption, conversion, printer start).

#include <string>

#include "datamodule/rdm_imp_exp_kds.h"

namespace Cli_Qam00417 {

// Creates the process-wide data module and the receivables data module when missing, lifts an
// earlier worker's stop request from their connections, lets a stop request interrupt them,
// and switches the receivables connection on. Existing instances are reused unchanged.
TrdmImpExpKds& EnsureDataModules();

// Reads the register's settings row into the run state (and dtAberturaCaixa); returns the
// automatic-closing switch. No row reads as all flags false and all texts empty.
bool ReadParameters(TrdmImpExpKds& dm, const std::string& cdFilial, const std::string& cdCaixa,
                    const std::string& cdLoja, rtl::TDateTime dtAberturaCaixa);

// Loads the three local cached tables that exist under <program dir>/Dados/Cadastros/; a
// missing file leaves its table and run-state field as they were.
void LoadLocalTables(TrdmImpExpKds& dm);

// The XML folder of the start-up day (VyrUtil::PastaXmlDoDia); the documents themselves are
// filed under the day they are issued.
std::string XmlFolder(const std::string& cdFilial, const std::string& cdCaixa);

// Starts the printer library of the configured model; returns the switch, turned off when no
// model is configured.
bool StartPrinterLibrary(const TrdmImpExpKds& dm);

}  // namespace Cli_Qam00417
