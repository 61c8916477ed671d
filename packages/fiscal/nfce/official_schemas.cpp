#include "fiscal/nfce/official_schemas.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "rtl/errors.h"

namespace VyrFiscal::Nfce {
namespace {

std::string Conteudo(const std::filesystem::path& arquivo) {
  std::ifstream entrada(arquivo, std::ios::binary);
  std::ostringstream texto;
  texto << entrada.rdbuf();
  return texto.str();
}

}  // namespace

int InstalaEsquemasOficiais(const std::string& pasta) {
  std::error_code erro;
  std::filesystem::create_directories(pasta, erro);
  int gravados = 0;
  for (const EsquemaOficial& esquema : EsquemasOficiais()) {
    const std::filesystem::path arquivo = std::filesystem::path(pasta) / esquema.nome;
    if (Conteudo(arquivo) == esquema.texto) continue;
    // Written beside and renamed: a worker reading the schema never sees half a file.
    const std::filesystem::path novo = arquivo.string() + ".novo";
    std::ofstream saida(novo, std::ios::binary | std::ios::trunc);
    saida << esquema.texto;
    saida.close();
    std::filesystem::rename(novo, arquivo, erro);
    if (!saida || erro) {
      throw rtl::EInOutError("XML schema '" + arquivo.string() + "' cannot be written");
    }
    ++gravados;
  }
  return gravados;
}

}  // namespace VyrFiscal::Nfce
