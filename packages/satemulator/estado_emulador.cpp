#include "estado_emulador.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "rtl/program_dir.h"

namespace VyrSatEmulador {
namespace {

const char kArquivo[] = "/emulador.ini";
const char kTrava[] = "/emulador.lock";

std::string Falha(const std::string& acao, const std::string& arquivo) {
  return "SAT emulator: cannot " + acao + " '" + arquivo + "': " + std::strerror(errno);
}

void Atribui(EstadoSat& estado, const std::string& nome, const std::string& valor) {
  if (nome == "codigoAtivacao") estado.codigoAtivacao = valor;
  if (nome == "numeroSerie") estado.numeroSerie = valor;
  if (nome == "ultimoCFe") estado.ultimoCFe = std::strtol(valor.c_str(), nullptr, 10);
  if (nome == "cUF") estado.cUF = valor;
  if (nome == "tpAmb") estado.tpAmb = valor;
  if (nome == "ultimaChave") estado.ultimaChave = valor;
  if (nome == "ultimaSessao") estado.ultimaSessao = std::atoi(valor.c_str());
  if (nome.rfind("resposta.", 0) == 0) {
    estado.respostasAnteriores.emplace_back(std::atoi(nome.c_str() + 9), valor);
  }
  if (nome == "ultimaResposta") estado.ultimaResposta = valor;
  if (nome == "fuso") estado.fuso = valor;
  if (nome == "xNome") estado.xNome = valor;
  if (nome == "xFant") estado.xFant = valor;
  if (nome == "xLgr") estado.xLgr = valor;
  if (nome == "nro") estado.nro = valor;
  if (nome == "xBairro") estado.xBairro = valor;
  if (nome == "xMun") estado.xMun = valor;
  if (nome == "CEP") estado.CEP = valor;
}

}  // namespace

std::string PastaEstado() {
  const char* env = std::getenv("VYR_SAT_EMULADOR_DIR");
  if (env != nullptr && *env != '\0') return env;
  return rtl::ProgramDirectory() + "/Dados/SatEmulador";
}

EstadoSat LeEstado(const std::string& pasta) {
  const std::string arquivo = pasta + kArquivo;
  std::ifstream in(arquivo);
  EstadoSat estado;
  if (!in) {
    GravaEstado(pasta, estado);
    return estado;
  }
  for (std::string linha; std::getline(in, linha);) {
    const size_t igual = linha.find('=');
    if (igual != std::string::npos)
      Atribui(estado, linha.substr(0, igual), linha.substr(igual + 1));
  }
  if (in.bad()) throw std::runtime_error(Falha("read", arquivo));
  return estado;
}

void GravaEstado(const std::string& pasta, const EstadoSat& estado) {
  std::error_code erro;
  std::filesystem::create_directories(pasta, erro);
  const std::string arquivo = pasta + kArquivo;
  const std::string novo = arquivo + ".novo";
  {
    std::ofstream out(novo, std::ios::trunc);
    out << "codigoAtivacao=" << estado.codigoAtivacao << "\nnumeroSerie=" << estado.numeroSerie
        << "\nultimoCFe=" << estado.ultimoCFe << "\ncUF=" << estado.cUF
        << "\ntpAmb=" << estado.tpAmb << "\nfuso=" << estado.fuso << "\nxNome=" << estado.xNome
        << "\nxFant=" << estado.xFant << "\nxLgr=" << estado.xLgr << "\nnro=" << estado.nro
        << "\nxBairro=" << estado.xBairro << "\nxMun=" << estado.xMun << "\nCEP=" << estado.CEP
        << "\nultimaChave=" << estado.ultimaChave << "\nultimaSessao=" << estado.ultimaSessao
        << "\nultimaResposta=" << estado.ultimaResposta << "\n";
    for (const auto& [sessao, resposta] : estado.respostasAnteriores) {
      out << "resposta." << sessao << "=" << resposta << "\n";
    }
    out.flush();
    if (!out) throw std::runtime_error(Falha("write", novo));
  }
  if (std::rename(novo.c_str(), arquivo.c_str()) != 0) {
    throw std::runtime_error(Falha("replace", arquivo));
  }
}

std::string RespostaDaSessao(const EstadoSat& estado, int sessao) {
  if (estado.ultimaSessao == sessao) return estado.ultimaResposta;
  for (const auto& [anterior, resposta] : estado.respostasAnteriores) {
    if (anterior == sessao) return resposta;
  }
  return "";
}

void RegistraResposta(EstadoSat& estado, int sessao, const std::string& resposta) {
  auto& anteriores = estado.respostasAnteriores;
  if (!estado.ultimaResposta.empty())
    anteriores.emplace_back(estado.ultimaSessao, estado.ultimaResposta);
  anteriores.erase(std::remove_if(anteriores.begin(), anteriores.end(),
                                  [sessao](const auto& par) { return par.first == sessao; }),
                   anteriores.end());
  if (anteriores.size() > kSessoesGuardadas) {
    anteriores.erase(anteriores.begin(), anteriores.end() - kSessoesGuardadas);
  }
  estado.ultimaSessao = sessao;
  estado.ultimaResposta = resposta;
}

TravaSat::TravaSat(const std::string& pasta) {
  std::error_code erro;
  std::filesystem::create_directories(pasta, erro);
  const std::string arquivo = pasta + kTrava;
  fd_ = ::open(arquivo.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) throw std::runtime_error(Falha("open", arquivo));
  // flock locks belong to the open file, so a second thread of this process that opens the
  // file again is refused just like another process.
  obtida_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

TravaSat::~TravaSat() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace VyrSatEmulador
