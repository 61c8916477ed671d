#include "support/network_printer_fake.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace vyrtest {

FakeNetworkPrinter::FakeNetworkPrinter() {
  fd_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      listen(fd_, 1) != 0 || getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    Close();
    throw std::runtime_error("fake network printer: no listening socket on 127.0.0.1");
  }
  port_ = "tcp:127.0.0.1:" + std::to_string(ntohs(address.sin_port));
}

FakeNetworkPrinter::~FakeNetworkPrinter() {
  Close();
}

std::string FakeNetworkPrinter::ReadOneJob() {
  const int connection = accept(fd_, nullptr, nullptr);
  if (connection < 0) return "";
  std::string job;
  char buffer[256];
  for (ssize_t n; (n = read(connection, buffer, sizeof buffer)) > 0;) job.append(buffer, n);
  close(connection);
  return job;
}

void FakeNetworkPrinter::Shutdown() {
  if (fd_ >= 0) shutdown(fd_, SHUT_RDWR);
}

void FakeNetworkPrinter::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

}  // namespace vyrtest
