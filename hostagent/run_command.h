#pragma once
// `hostagent run`: loads the module, points it at a store folder, starts its worker for one
// register and keeps the process alive until a signal, until the worker is idle, or until a
// time limit; then stops the worker, unloads the module and prints a summary.

#include <iosfwd>
#include <string>

namespace hostagent {

struct RunOptions {
  std::string dir;
  std::string filial;
  std::string caixa;
  std::string loja;
  std::string abertura;     // "YYYY-MM-DD HH:MM:SS"; empty: now
  bool until_idle = false;  // stop once a pass found nothing pending (or the worker ended)
  double max_seconds = 0;   // 0: no limit
  std::string module_path;  // empty: beside the executable
};

// Returns the process exit code: 0 after a clean stop, 1 when the module could not be loaded
// or started, 2 when the worker did not stop in time (the module then stays loaded).
int RunHost(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace hostagent
