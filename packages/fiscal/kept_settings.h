#pragma once
// What the package reads from the store once and keeps between sales because it rarely changes:
// a register's fiscal settings (CAIXAFISCAL), its branch (FILIAL), the branch's sales parameters
// (PARAVEND), the register's open shift (TURCAIXA), the products' fiscal columns, tax rates and
// subgroups (PRODUTO, SITTRIBREGIME, ALIQIMPFIS, PRSUBGRPROD) and the rates of the IBPT table
// (TABIBPT); and the register's contingency period (NFCECONTING), which only its own worker
// writes, forgetting it as it does.
//
// A support person may still change them while the worker runs, so a kept value is read again:
// - once it is older than kSegundosGuardados;
// - at once after EsqueceGuardadas(), which the package calls whenever a sale is refused or fails,
//   a register fault is found, or a document fails: the attempt after a failure, the one that
//   follows a setting mended, always reads the store;
// - when the program directory changes (a test's store, another installation): it is part of
//   every key.
// Kept values are shared by the threads of the process; every method is thread safe.

#include <chrono>
#include <cstddef>
#include <exception>
#include <iterator>
#include <map>
#include <mutex>
#include <string>

namespace VyrFiscal {

inline constexpr int kSegundosGuardados = 60;

// Forgets every value kept by every Guardadas of the process.
void EsqueceGuardadas();

// The count of EsqueceGuardadas calls so far: a kept value read before the last one is stale.
unsigned long GeracaoGuardadas();

// The directory of the installation, the first part of every key.
std::string PrefixoGuardadas();

// Forgets every kept value when the scope it lives in is left by an exception.
class EsqueceAoFalhar {
 public:
  EsqueceAoFalhar() = default;
  EsqueceAoFalhar(const EsqueceAoFalhar&) = delete;
  EsqueceAoFalhar& operator=(const EsqueceAoFalhar&) = delete;
  ~EsqueceAoFalhar() {
    if (std::uncaught_exceptions() > entrada_) EsqueceGuardadas();
  }

 private:
  const int entrada_ = std::uncaught_exceptions();
};

// The values of one kind of setting, by key.
template <typename Valor>
class Guardadas {
 public:
  // The value kept for `chave` (PrefixoGuardadas() is added to it), else `le()`'s, kept from now
  // on. What `le` raises is passed on and nothing is kept.
  template <typename Le>
  Valor Busca(const std::string& chave, Le le) {
    const std::string completa = PrefixoGuardadas() + "|" + chave;
    const auto agora = std::chrono::steady_clock::now();
    const unsigned long geracao = GeracaoGuardadas();
    {
      std::lock_guard<std::mutex> trava(mutex_);
      const auto achada = valores_.find(completa);
      if (achada != valores_.end() && achada->second.geracao == geracao &&
          agora - achada->second.lida < std::chrono::seconds(kSegundosGuardados)) {
        return achada->second.valor;
      }
    }
    Valor lido = le();
    std::lock_guard<std::mutex> trava(mutex_);
    if (valores_.size() >= kLimpaAcimaDe) LimpaVencidas(agora);
    valores_[completa] = {lido, agora, geracao};
    return lido;
  }

  // How many values are kept, stale ones included.
  std::size_t Quantas() {
    std::lock_guard<std::mutex> trava(mutex_);
    return valores_.size();
  }

  // Forgets the value kept for `chave`: this process is changing it.
  void Esquece(const std::string& chave) {
    std::lock_guard<std::mutex> trava(mutex_);
    valores_.erase(PrefixoGuardadas() + "|" + chave);
  }

 private:
  struct Guardado {
    Valor valor;
    std::chrono::steady_clock::time_point lida;
    unsigned long geracao;
  };
  // Keys carry the day and the product, so a worker that runs for months meets new keys every
  // day: past this many, the stale values go before a new one is kept.
  static constexpr std::size_t kLimpaAcimaDe = 512;

  void LimpaVencidas(std::chrono::steady_clock::time_point agora) {
    const unsigned long geracao = GeracaoGuardadas();
    for (auto it = valores_.begin(); it != valores_.end();) {
      const bool vencida = it->second.geracao != geracao ||
                           agora - it->second.lida >= std::chrono::seconds(kSegundosGuardados);
      it = vencida ? valores_.erase(it) : std::next(it);
    }
  }

  std::mutex mutex_;
  std::map<std::string, Guardado> valores_;
};

}  // namespace VyrFiscal
