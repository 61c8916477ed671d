#include "fiscal/receipt/printer_port.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>

#include "rtl/errors.h"
#include "rtl/program_dir.h"

namespace VyrFiscal::Cupom {

namespace {

using Relogio = std::chrono::steady_clock;

[[noreturn]] void Falha(const std::string& porta, const std::string& motivo) {
  throw rtl::Exception("Receipt printer at port '" + porta + "': " + motivo);
}

std::string Segundos(std::chrono::milliseconds limite) {
  const auto ms = limite.count();
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms";
}

// Closes the descriptor on every way out.
class Descritor {
 public:
  explicit Descritor(int fd) : fd_(fd) {}
  ~Descritor() {
    if (fd_ >= 0) close(fd_);
  }
  Descritor(const Descritor&) = delete;
  Descritor& operator=(const Descritor&) = delete;
  int fd() const { return fd_; }

 private:
  const int fd_;
};

// Waits until `fd` can be written or the deadline passes; false on the deadline.
bool EsperaEscrita(int fd, Relogio::time_point prazo) {
  for (;;) {
    const auto resta =
        std::chrono::duration_cast<std::chrono::milliseconds>(prazo - Relogio::now()).count();
    if (resta <= 0) return false;
    pollfd p{fd, POLLOUT, 0};
    const int r = poll(&p, 1, static_cast<int>(resta));
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return true;  // the write that follows reports the error
  }
}

void EscreveTudo(const std::string& porta, int fd, bool socket, const std::string& bytes,
                 Relogio::time_point prazo, std::chrono::milliseconds limite) {
  size_t enviado = 0;
  while (enviado < bytes.size()) {
    const ssize_t n = socket
                          ? send(fd, bytes.data() + enviado, bytes.size() - enviado, MSG_NOSIGNAL)
                          : write(fd, bytes.data() + enviado, bytes.size() - enviado);
    if (n > 0) {
      enviado += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) Falha(porta, std::strerror(errno));
    if (!EsperaEscrita(fd, prazo)) {
      Falha(porta, "the printer did not take the receipt within " + Segundos(limite) + " (" +
                       std::to_string(enviado) + " of " + std::to_string(bytes.size()) +
                       " bytes sent)");
    }
  }
}

// A name lookup that may run in the background after the caller gave up on it: everything it
// reads lives here.
struct Consulta {
  std::string host, servico;
  addrinfo dicas{};
  gaicb pedido{};
};

// Resolves without waiting past the deadline: a name server that does not answer must not hold
// the worker longer than the printer itself may.
addrinfo* Resolve(const std::string& porta, const std::string& host, const std::string& servico,
                  Relogio::time_point prazo, std::chrono::milliseconds limite) {
  auto consulta = std::make_unique<Consulta>();
  consulta->host = host;
  consulta->servico = servico;
  consulta->dicas.ai_family = AF_UNSPEC;
  consulta->dicas.ai_socktype = SOCK_STREAM;
  consulta->pedido.ar_name = consulta->host.c_str();
  consulta->pedido.ar_service = consulta->servico.c_str();
  consulta->pedido.ar_request = &consulta->dicas;
  gaicb* pedidos[] = {&consulta->pedido};
  int r = getaddrinfo_a(GAI_NOWAIT, pedidos, 1, nullptr);
  if (r == 0) r = gai_error(&consulta->pedido);
  for (; r == EAI_INPROGRESS; r = gai_error(&consulta->pedido)) {
    const auto resta = prazo - Relogio::now();
    if (resta <= Relogio::duration::zero()) {
      // A lookup that cannot be cancelled any more still writes into `consulta`: leave it be.
      if (gai_cancel(&consulta->pedido) != EAI_CANCELED) consulta.release();
      Falha(porta, "no answer for the host name within " + Segundos(limite));
    }
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(resta).count();
    const timespec espera{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    gai_suspend(pedidos, 1, &espera);
  }
  if (r != 0) Falha(porta, std::string("unknown host or port (") + gai_strerror(r) + ")");
  return consulta->pedido.ar_result;
}

int Conecta(const std::string& porta, const std::string& endereco, Relogio::time_point prazo,
            std::chrono::milliseconds limite) {
  std::string host = endereco, servico = "9100";
  const size_t doisPontos = endereco.rfind(':');
  if (doisPontos != std::string::npos) {
    host = endereco.substr(0, doisPontos);
    servico = endereco.substr(doisPontos + 1);
  }
  addrinfo* lista = Resolve(porta, host, servico, prazo, limite);
  std::unique_ptr<addrinfo, void (*)(addrinfo*)> guarda(lista, freeaddrinfo);

  std::string motivo = "no address";
  for (addrinfo* a = lista; a; a = a->ai_next) {
    const int fd =
        socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    if (connect(fd, a->ai_addr, a->ai_addrlen) == 0) return fd;
    if (errno == EINPROGRESS) {
      if (!EsperaEscrita(fd, prazo)) {
        close(fd);
        Falha(porta, "no connection within " + Segundos(limite));
      }
      int erro = 0;
      socklen_t tamanho = sizeof erro;
      getsockopt(fd, SOL_SOCKET, SO_ERROR, &erro, &tamanho);
      if (erro == 0) return fd;
      errno = erro;
    }
    motivo = std::strerror(errno);
    close(fd);
  }
  Falha(porta, "cannot connect (" + motivo + ")");
}

// Registers configured on Windows name their ports "COM1" or "LPT1": the same ports here are
// /dev/ttyS0 and /dev/lp0. Empty for any other text.
std::string DispositivoDoWindows(const std::string& porta) {
  std::string nome = porta;
  if (!nome.empty() && nome.back() == ':') nome.pop_back();
  if (nome.size() < 4 || nome.size() > 6) return "";
  std::string prefixo = nome.substr(0, 3);
  for (char& c : prefixo) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string numero = nome.substr(3);
  if (numero.find_first_not_of("0123456789") != std::string::npos || numero[0] == '0') return "";
  const std::string indice = std::to_string(std::stoi(numero) - 1);
  if (prefixo == "COM") return "/dev/ttyS" + indice;
  if (prefixo == "LPT") return "/dev/lp" + indice;
  return "";
}

}  // namespace

void EnviaParaImpressora(const std::string& porta, const std::string& bytes,
                         std::chrono::milliseconds limite) {
  const Relogio::time_point prazo = Relogio::now() + limite;
  if (porta.empty()) {
    throw rtl::Exception(
        "Receipt printer: the register's printer has no port (IMPRLOJA.CDPORTAIMPR)");
  }
  if (porta.rfind("tcp:", 0) == 0) {
    Descritor fd(Conecta(porta, porta.substr(4), prazo, limite));
    EscreveTudo(porta, fd.fd(), true, bytes, prazo, limite);
    return;
  }
  const bool arquivo = porta.rfind("file:", 0) == 0;
  std::string caminho = arquivo ? porta.substr(5) : DispositivoDoWindows(porta);
  if (!arquivo && caminho.empty()) {
    if (porta[0] != '/') {
      Falha(porta,
            "unknown port form (a device path, COMn, LPTn, \"tcp:HOST:PORT\" or \"file:PATH\")");
    }
    caminho = porta;
  }
  if (caminho.empty() || caminho[0] != '/') caminho = rtl::ProgramDirectory() + "/" + caminho;
  const int flags = arquivo ? O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC
                            : O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  Descritor fd(open(caminho.c_str(), flags, 0644));
  if (fd.fd() < 0) {
    Falha(porta, "cannot open " + (caminho == porta ? "" : caminho + " ") + "(" +
                     std::strerror(errno) + ")");
  }
  EscreveTudo(porta, fd.fd(), false, bytes, prazo, limite);
}

}  // namespace VyrFiscal::Cupom
