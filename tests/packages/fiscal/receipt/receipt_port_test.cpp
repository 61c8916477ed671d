// Print jobs sent to the printer's port: a network printer on a local test socket, a file, and
// the ports that cannot take a receipt.

#include "fiscal/receipt/printer_port.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "rtl/errors.h"
#include "support/temp_dir.h"

namespace {

using VyrFiscal::Cupom::EnviaParaImpressora;

// A socket listening on 127.0.0.1 at a port the system picks.
class Escuta {
 public:
  Escuta() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in endereco{};
    endereco.sin_family = AF_INET;
    endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t tamanho = sizeof endereco;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&endereco), tamanho) != 0 || listen(fd_, 1) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&endereco), &tamanho) != 0) {
      throw std::runtime_error("test socket");
    }
    porta_ = "tcp:127.0.0.1:" + std::to_string(ntohs(endereco.sin_port));
  }
  ~Escuta() { Fecha(); }
  void Fecha() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  int fd() const { return fd_; }
  const std::string& Porta() const { return porta_; }

 private:
  int fd_ = -1;
  std::string porta_;
};

std::string Erro(const std::string& porta, const std::string& bytes,
                 std::chrono::milliseconds limite = VyrFiscal::Cupom::kLimiteImpressora) {
  try {
    EnviaParaImpressora(porta, bytes, limite);
  } catch (const rtl::Exception& e) {
    return e.Message();
  }
  return "no error";
}

TEST(ReceiptPortTest, NetworkPrinterReceivesTheJob) {
  Escuta impressora;
  std::string recebido;
  std::thread leitor([&] {
    const int conexao = accept(impressora.fd(), nullptr, nullptr);
    char buffer[256];
    for (ssize_t n; (n = read(conexao, buffer, sizeof buffer)) > 0;) recebido.append(buffer, n);
    close(conexao);
  });
  const std::string erro = Erro(impressora.Porta(), std::string("\x1b@RECIBO\n\x1dV\x01", 11));
  if (erro != "no error") shutdown(impressora.fd(), SHUT_RDWR);  // lets the reader go
  leitor.join();
  EXPECT_EQ(std::string("no error: \x1b@RECIBO\n\x1dV\x01", 21), erro + ": " + recebido);
}

TEST(ReceiptPortTest, FilePortAppendsEveryJob) {
  vyrtest::TempDir pasta;
  const std::string porta = "file:" + pasta.Path() + "/impressora.prn";
  EnviaParaImpressora(porta, "primeiro\n");
  EnviaParaImpressora(porta, "segundo\n");
  std::ifstream arquivo(pasta.Path() + "/impressora.prn");
  std::stringstream conteudo;
  conteudo << arquivo.rdbuf();
  EXPECT_EQ("primeiro\nsegundo\n", conteudo.str());
}

TEST(ReceiptPortTest, ClosedOrMissingPortsRaiseNamingThePort) {
  Escuta fechada;
  const std::string tcp = fechada.Porta();
  fechada.Fecha();
  vyrtest::TempDir pasta;
  const std::string desligada = pasta.Path() + "/lp0";  // a device nobody is attached to
  mkfifo(desligada.c_str(), 0600);
  EXPECT_EQ("Receipt printer at port '" + tcp +
                "': cannot connect (Connection refused)\n"
                "Receipt printer at port '" +
                desligada +
                "': cannot open (No such device or address)\n"
                "Receipt printer at port '/nao/existe/lp0': cannot open (No such file or "
                "directory)\n"
                "Receipt printer at port 'COM99': cannot open /dev/ttyS98 (No such file or "
                "directory)\n"
                "Receipt printer at port 'USB001': unknown port form (a device path, COMn, LPTn, "
                "\"tcp:HOST:PORT\" or \"file:PATH\")\n"
                "Receipt printer: the register's printer has no port (IMPRLOJA.CDPORTAIMPR)",
            Erro(tcp, "x") + "\n" + Erro(desligada, "x") + "\n" + Erro("/nao/existe/lp0", "x") +
                "\n" + Erro("COM99", "x") + "\n" + Erro("USB001", "x") + "\n" + Erro("", "x"));
}

// Nobody accepts or reads: once the system's buffers are full the printer counts as unreachable.
TEST(ReceiptPortTest, PrinterThatNeverTakesTheJobRaisesAtTheLimit) {
  Escuta surda;
  const std::string mensagem =
      Erro(surda.Porta(), std::string(64 << 20, 'x'), std::chrono::milliseconds(300));
  EXPECT_EQ("Receipt printer at port '" + surda.Porta() +
                "': the printer did not take the receipt within 300 ms",
            mensagem.substr(0, mensagem.find(" (")));
}

}  // namespace
