#include "fiscal/sat/sat_library.h"

#include <dlfcn.h>

#include <vector>

#include "rtl/errors.h"

namespace VyrFiscal::Sat {

BibliotecaSat::BibliotecaSat(const std::string& caminho) : caminho_(caminho) {
  handle_ = dlopen(caminho.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* motivo = dlerror();
    throw rtl::Exception("SAT library '" + caminho + "' (CAIXAFISCAL.DSLIBSAT) cannot be loaded: " +
                         (motivo ? motivo : "unknown reason"));
  }
  enviar_ = reinterpret_cast<Enviar>(dlsym(handle_, "EnviarDadosVenda"));
  if (enviar_ == nullptr) {
    dlclose(handle_);
    handle_ = nullptr;
    throw rtl::Exception("SAT library '" + caminho +
                         "' (CAIXAFISCAL.DSLIBSAT) has no function EnviarDadosVenda");
  }
}

BibliotecaSat::~BibliotecaSat() {
  if (handle_ != nullptr) dlclose(handle_);
}

std::string BibliotecaSat::EnviarDadosVenda(int sessao, const std::string& codigoAtivacao,
                                            const std::string& dadosVenda) {
  // The library takes writable texts; it gets copies so that nothing of ours can be changed.
  std::vector<char> codigo(codigoAtivacao.begin(), codigoAtivacao.end());
  codigo.push_back('\0');
  std::vector<char> dados(dadosVenda.begin(), dadosVenda.end());
  dados.push_back('\0');
  const char* resposta = enviar_(sessao, codigo.data(), dados.data());
  return resposta == nullptr ? std::string() : std::string(resposta);
}

std::string BibliotecaPadrao() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&BibliotecaPadrao), &info) == 0 || info.dli_fname == nullptr) {
    return "libVyrSatEmulador.so";
  }
  const std::string proprio = info.dli_fname;
  const size_t barra = proprio.rfind('/');
  const std::string pasta = barra == std::string::npos ? "." : proprio.substr(0, barra);
  return pasta + "/libVyrSatEmulador.so";
}

}  // namespace VyrFiscal::Sat
