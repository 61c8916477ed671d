#include "fiscal/sat/sat_session.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>

#include "rtl/errors.h"
#include "rtl/program_dir.h"
#include "rtl/random.h"

namespace VyrFiscal::Sat {
namespace {

const size_t kLembradas = 100;
const int kMenor = 100000, kMaior = 999999;

std::deque<int> Recentes(const std::string& arquivo) {
  std::deque<int> numeros;
  std::ifstream in(arquivo);
  for (std::string linha; std::getline(in, linha);) {
    const int numero = std::atoi(linha.c_str());
    if (numero > 0) numeros.push_back(numero);
  }
  while (numeros.size() > kLembradas) numeros.pop_front();
  return numeros;
}

void Grava(const std::string& arquivo, const std::deque<int>& numeros) {
  std::error_code erro;
  std::filesystem::create_directories(std::filesystem::path(arquivo).parent_path(), erro);
  std::ofstream out(arquivo, std::ios::trunc);
  for (int numero : numeros) out << numero << "\n";
  out.flush();
  if (!out) {
    throw rtl::EInOutError("SAT session numbers: cannot write '" + arquivo +
                           "': " + std::strerror(errno));
  }
}

}  // namespace

std::string ArquivoSessoes() {
  return rtl::ProgramDirectory() + "/Dados/SatSessoes.txt";
}

SessoesSat::SessoesSat(std::string arquivo) : arquivo_(std::move(arquivo)) {}

int SessoesSat::Nova(const std::string& CDCAIXA, bool compartilhado) {
  std::deque<int> recentes = Recentes(arquivo_);
  const int caixa = std::atoi(CDCAIXA.c_str()) % 1000;
  int numero = 0;
  do {
    numero = kMenor + static_cast<int>(rtl::Random(kMaior - kMenor + 1));
    if (compartilhado) numero = numero / 1000 * 1000 + caixa;
  } while (std::find(recentes.begin(), recentes.end(), numero) != recentes.end());
  recentes.push_back(numero);
  if (recentes.size() > kLembradas) recentes.pop_front();
  Grava(arquivo_, recentes);
  return numero;
}

}  // namespace VyrFiscal::Sat
