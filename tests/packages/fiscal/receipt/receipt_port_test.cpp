// Print jobs sent to the printer's port: a network printer on a local test socket, a file, and
// the ports that cannot take a receipt.

#include "fiscal/receipt/printer_port.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "rtl/errors.h"
#include "support/network_printer_fake.h"
#include "support/temp_dir.h"

namespace {

using VyrFiscal::Cupom::EnviaParaImpressora;

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
  vyrtest::FakeNetworkPrinter impressora;
  std::string recebido;
  std::thread leitor([&] { recebido = impressora.ReadOneJob(); });
  const std::string erro = Erro(impressora.Port(), std::string("\x1b@RECIBO\n\x1dV\x01", 11));
  if (erro != "no error") impressora.Shutdown();  // lets the reader go
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
  vyrtest::FakeNetworkPrinter fechada;
  const std::string tcp = fechada.Port();
  fechada.Close();
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
  vyrtest::FakeNetworkPrinter surda;
  const std::string mensagem =
      Erro(surda.Port(), std::string(64 << 20, 'x'), std::chrono::milliseconds(300));
  EXPECT_EQ("Receipt printer at port '" + surda.Port() +
                "': the printer did not take the receipt within 300 ms",
            mensagem.substr(0, mensagem.find(" (")));
}

}  // namespace
