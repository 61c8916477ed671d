#pragma once
// `hostagent run`: loads the module, points it at a store folder, starts its worker for one
// register and keeps the process alive until a signal, until the worker is idle, or until a
// time limit; then stops the worker, unloads the module and prints a summary.

#include <iosfwd>
#include <string>

#include "hostagent/exit_codes.h"

namespace hostagent {

struct RunOptions {
  std::string dir;     // an existing folder
  std::string filial;  // empty: from the register settings (host_records.h)
  std::string caixa;
  std::string loja;
  std::string abertura;     // "YYYY-MM-DD HH:MM:SS"; empty: now
  bool until_idle = false;  // stop after the first pass that changed nothing in the store
  double max_seconds = 0;   // finite, >= 0; 0: no limit
  std::string module_path;  // empty: beside the executable
  int keep_logs = 0;        // > 0: remove daily logs older than this many days; 0: keep all
  int keep_copies = 0;      // > 0: remove receipt copies older than this many days; 0: keep all
};

// The exit codes as the help and the README list them.
extern const char* const kExitCodesHelp;

// Returns one of the exit codes above.
int RunHost(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace hostagent
