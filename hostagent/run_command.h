#pragma once
// `hostagent run`: loads the module, points it at a store folder, starts its worker for one
// register and keeps the process alive until a signal, until the worker is idle, or until a
// time limit; then stops the worker, unloads the module and prints a summary.

#include <iosfwd>
#include <string>

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

// Exit codes of `hostagent run` (and of the store commands, which use 0, 1, 2, 7 and 9).
enum ExitCode {
  kExitOk = 0,            // stopped by a signal, --until-idle or --max-seconds
  kExitHostError = 1,     // module not loaded, connection set-up unreadable, lock file
  kExitUsage = 2,         // invalid arguments
  kExitWorkerError = 3,   // the worker ended on an error (its message goes to stderr)
  kExitNoRegister = 4,    // no settings row for the branch, register and store
  kExitClosingOff = 5,    // the register's automatic closing is off
  kExitNoPrinter = 6,     // the register has no printer model
  kExitRegisterBusy = 7,  // another process runs this register's worker
  kExitWorkerStuck = 8,   // the worker did not stop in time; the module stays loaded
  kExitOldSchema = 9,     // the store lacks part of the current schema (upgrade-store)
};

// The exit codes as the help and the README list them.
extern const char* const kExitCodesHelp;

// Returns one of the exit codes above.
int RunHost(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace hostagent
