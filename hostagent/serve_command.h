#pragma once
// `hostagent serve`: a page of the registers of a program directory as `hostagent status` sees
// them, for a manager with a browser and no terminal. Served over HTTP on 127.0.0.1 by default,
// read only, with no asset from outside: the page renders the status report embedded in it and
// reloads itself every few seconds.

#include <iosfwd>
#include <string>
#include <vector>

#include "hostagent/status_command.h"

namespace hostagent {

struct ServeOptions {
  std::string dir;                     // an existing folder
  int porta = 8080;                    // 0: any free port (the one taken is printed)
  std::string endereco = "127.0.0.1";  // the address listened on
};

// The seconds between two reloads of the page.
inline constexpr int kRecargaSegundos = 5;

// The registers of program directory `dir`: the one of Dados/Caixa.ini, then every other one a
// host ran there (its Dados/THREAD_<branch>_<register>_<store>.pass or .lock file).
std::vector<StatusOptions> RegistersOf(const std::string& dir);

// The registers' reports as one JSON array, each {"encontrado": ..., "status": <status --json>}.
std::string RegistersJson(const std::string& dir);

// The whole page (HTML with its style and script).
std::string StatusPage(const std::string& dir);

// Serves "/" (the page) and "/status.json" until SIGINT or SIGTERM. Prints "Pagina em
// http://<address>:<port>/" once listening. Returns 0 when stopped by a signal, 1 when the port
// cannot be taken (said on `err`).
int RunServe(const ServeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace hostagent
