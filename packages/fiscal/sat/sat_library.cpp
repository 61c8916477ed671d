#include "fiscal/sat/sat_library.h"

#include <dlfcn.h>

#include <vector>

#include "fiscal/register_fault.h"
#include "rtl/errors.h"

namespace VyrFiscal::Sat {

BibliotecaSat::BibliotecaSat(const std::string& caminho) : caminho_(caminho) {
  handle_ = dlopen(caminho.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* motivo = dlerror();
    throw FalhaDoCaixa("SAT library '" + caminho + "' (CAIXAFISCAL.DSLIBSAT) cannot be loaded: " +
                       (motivo ? motivo : "unknown reason"));
  }
  enviar_ = reinterpret_cast<Enviar>(dlsym(handle_, "EnviarDadosVenda"));
  if (enviar_ == nullptr) {
    dlclose(handle_);
    handle_ = nullptr;
    throw FalhaDoCaixa("SAT library '" + caminho +
                       "' (CAIXAFISCAL.DSLIBSAT) has no function EnviarDadosVenda");
  }
}

BibliotecaSat::~BibliotecaSat() {
  if (handle_ != nullptr) dlclose(handle_);
}

namespace {

std::vector<char> Copia(const std::string& texto) {
  std::vector<char> copia(texto.begin(), texto.end());
  copia.push_back('\0');
  return copia;
}

}  // namespace

std::string BibliotecaSat::EnviarDadosVenda(int sessao, const std::string& codigoAtivacao,
                                            const std::string& dadosVenda) {
  // The library takes writable texts; it gets copies so that nothing of ours can be changed.
  std::vector<char> codigo = Copia(codigoAtivacao);
  std::vector<char> dados = Copia(dadosVenda);
  const char* resposta = enviar_(sessao, codigo.data(), dados.data());
  return resposta == nullptr ? std::string() : std::string(resposta);
}

std::string BibliotecaSat::ConsultarNumeroSessao(int sessao, const std::string& codigoAtivacao,
                                                 int consultada) {
  // Looked up only when needed: a library without it still issues CF-e.
  const auto consultar = reinterpret_cast<Consultar>(dlsym(handle_, "ConsultarNumeroSessao"));
  if (consultar == nullptr) {
    throw rtl::Exception("SAT library '" + caminho_ +
                         "' (CAIXAFISCAL.DSLIBSAT) has no function ConsultarNumeroSessao");
  }
  std::vector<char> codigo = Copia(codigoAtivacao);
  const char* resposta = consultar(sessao, codigo.data(), consultada);
  return resposta == nullptr ? std::string() : std::string(resposta);
}

std::string BibliotecaPadrao() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&BibliotecaPadrao), &info) == 0 || info.dli_fname == nullptr) {
    return kBibliotecaEmulador;
  }
  const std::string proprio = info.dli_fname;
  const size_t barra = proprio.rfind('/');
  const std::string pasta = barra == std::string::npos ? "." : proprio.substr(0, barra);
  return pasta + "/" + kBibliotecaEmulador;
}

bool NomeiaEmulador(const std::string& DSLIBSAT) {
  const size_t barra = DSLIBSAT.rfind('/');
  return DSLIBSAT.substr(barra == std::string::npos ? 0 : barra + 1) == kBibliotecaEmulador;
}

}  // namespace VyrFiscal::Sat
