#pragma once
// `hostagent status`: what is stuck at one register and why, without reading the log. Read
// only: it runs SELECT statements, reads the daily logs and the host's files, and changes
// nothing (no session set-up on the store either).

#include <iosfwd>
#include <string>
#include <vector>

#include "hostagent/status_report.h"

namespace hostagent {

struct StatusOptions {
  std::string dir;                  // an existing folder
  std::string filial, caixa, loja;  // empty: from Dados/Caixa.ini (host_records.h)
  bool json = false;
};

// Gathers the report of one register as of rtl::Now(). Each age is counted on the clock its
// time was written with: the notes' emission (DTHREMISNFCE) on the branch's clocks, the others
// on this host's. Raises nothing: what cannot be read is said in the report.
StatusReport CollectStatus(const StatusOptions& options);
std::string StatusText(const StatusReport& report);
std::string StatusJson(const StatusReport& report);

// Prints the report; 0, or 1 when part of it could not be read (said in it), 2 for a register
// that neither the options nor Dados/Caixa.ini name, 4 (only a line on `err`) for a register the
// store has no CAIXA row for (exit codes of run_command.h).
int RunStatus(const StatusOptions& options, std::ostream& out, std::ostream& err);

}  // namespace hostagent
