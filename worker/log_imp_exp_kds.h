#pragma once
// The activity log: one line per event in a daily file under the program directory,
// <dir>/Dados/LogImpExpKDS/LogImpExpKDS<YYYY>/LogImpExpKDS<DDMM>.txt.

#include <string>

namespace Cli_Qam00417 {

// Appends "<dd/mm/yyyy hh:nn:ss> - <message>\r\n" (date alone at hh:nn:ss 00:00:00), creating
// the folders and the file as needed; the file is opened and closed on every call. Callable
// from any thread; calls are serialised so lines never interleave. Raises rtl::EInOutError
// when the file cannot be written.
void LogImpExpKDS(const std::string& message);

// The path of today's log file (for the host agent's summary).
std::string LogImpExpKDSPath();

// Makes the register the process's worker serves the one whose log is written from now on: marks
// it in the program directory and takes its own file when another register has been marked
// there (worker/log_file_name.h). Never raises: a mark that cannot be written leaves the name as
// it was.
void DefineCaixaDoLog(const std::string& CDFILIAL, const std::string& CDCAIXA,
                      const std::string& CDLOJA);

}  // namespace Cli_Qam00417
