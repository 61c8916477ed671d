#pragma once
// A network receipt printer for the print tests: a socket listening on 127.0.0.1 at a port the
// system picks, reachable as the port text "tcp:127.0.0.1:<port>". It takes nothing on its own:
// a test reads one job (ReadOneJob, usually on a thread of its own), closes it to make the port
// refuse connections, or leaves it alone to play a printer that never takes the job.

#include <string>

namespace vyrtest {

class FakeNetworkPrinter {
 public:
  FakeNetworkPrinter();  // raises std::runtime_error when no socket can be had
  ~FakeNetworkPrinter();
  FakeNetworkPrinter(const FakeNetworkPrinter&) = delete;
  FakeNetworkPrinter& operator=(const FakeNetworkPrinter&) = delete;

  // "tcp:127.0.0.1:<port>".
  const std::string& Port() const { return port_; }
  // Accepts one connection and returns every byte sent on it until the sender closes it; "" once
  // the printer is shut down (Shutdown) while waiting.
  std::string ReadOneJob();
  // Lets a ReadOneJob waiting for a connection go.
  void Shutdown();
  // Stops listening: the port refuses connections from now on.
  void Close();

 private:
  int fd_ = -1;
  std::string port_;
};

}  // namespace vyrtest
