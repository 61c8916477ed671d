#include "hostagent/serve_command.h"

#include <httplib.h>
#include <signal.h>

#include <mutex>
#include <ostream>
#include <thread>

#include "hostagent/run_command.h"

namespace hostagent {

namespace {

// One report at a time: each sets the process's program directory and opens the store.
std::mutex reading;

void Routes(httplib::Server& server, const std::string& dir) {
  server.Get("/", [dir](const httplib::Request&, httplib::Response& res) {
    std::lock_guard<std::mutex> lock(reading);
    res.set_header("Cache-Control", "no-store");
    res.set_content(StatusPage(dir), "text/html; charset=utf-8");
  });
  server.Get("/status.json", [dir](const httplib::Request&, httplib::Response& res) {
    std::lock_guard<std::mutex> lock(reading);
    res.set_header("Cache-Control", "no-store");
    res.set_content(RegistersJson(dir), "application/json; charset=utf-8");
  });
}

}  // namespace

// The signals are taken by this thread alone (blocked before the server's threads start, which
// inherit the mask): the server stops between requests, never in the middle of one.
int RunServe(const ServeOptions& options, std::ostream& out, std::ostream& err) {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  httplib::Server server;
  Routes(server, options.dir);
  const int port =
      options.porta == 0
          ? server.bind_to_any_port(options.endereco)
          : (server.bind_to_port(options.endereco, options.porta) ? options.porta : -1);
  if (port <= 0) {
    err << "hostagent: a porta " << options.porta << " de " << options.endereco
        << " nao pode ser aberta (em uso por outro programa?); escolha outra com --porta\n";
    return kExitHostError;
  }
  std::thread listener([&server] { server.listen_after_bind(); });
  out << "Pagina em http://" << options.endereco << ":" << port << "/\n";
  out.flush();
  int signal = 0;
  sigwait(&signals, &signal);
  server.stop();
  listener.join();
  out << "Encerrando: sinal " << signal << "\n";
  return kExitOk;
}

}  // namespace hostagent
