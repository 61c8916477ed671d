#pragma once
// The exit codes the host agent's commands share.

namespace hostagent {

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

}  // namespace hostagent
