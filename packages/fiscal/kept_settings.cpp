#include "fiscal/kept_settings.h"

#include <atomic>

#include "rtl/program_dir.h"

namespace VyrFiscal {
namespace {

std::atomic<unsigned long> geracao{0};

}  // namespace

void EsqueceGuardadas() {
  ++geracao;
}

unsigned long GeracaoGuardadas() {
  return geracao.load();
}

std::string PrefixoGuardadas() {
  return rtl::ProgramDirectory();
}

}  // namespace VyrFiscal
