#pragma once
// One value a closing has just written and needs again a moment later in the same closing (the
// sale read back, the note as sent, the CF-e as stored), kept for that later step so that it need
// not be read again. Only the last one kept is held. It is tagged with the installation and with
// the kept settings' generation (fiscal/kept_settings.h): whatever makes the package forget its
// kept settings (a failure, a fault) drops it too. Thread safe.

#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "fiscal/kept_settings.h"

namespace VyrFiscal {

template <typename Valor>
class UmEmMaos {
 public:
  // Keeps `valor` under `chave`, in place of the value kept before.
  void Guarda(const std::string& chave, Valor valor) {
    std::lock_guard<std::mutex> trava(mutex_);
    guardado_ = Guardado{Completa(chave), GeracaoGuardadas(), std::move(valor)};
  }

  // The value kept under `chave` when nothing was forgotten since; given once: the slot is
  // emptied whether it matched or not.
  std::optional<Valor> Toma(const std::string& chave) {
    std::lock_guard<std::mutex> trava(mutex_);
    std::optional<Guardado> guardado;
    guardado.swap(guardado_);
    if (!guardado || guardado->chave != Completa(chave) ||
        guardado->geracao != GeracaoGuardadas()) {
      return std::nullopt;
    }
    return std::move(guardado->valor);
  }

  // A copy of the value kept under `chave` when `aceita` takes it and nothing was forgotten
  // since; it stays kept.
  template <typename Aceita>
  std::optional<Valor> Olha(const std::string& chave, Aceita aceita) {
    std::lock_guard<std::mutex> trava(mutex_);
    if (!guardado_ || guardado_->chave != Completa(chave) ||
        guardado_->geracao != GeracaoGuardadas() || !aceita(guardado_->valor)) {
      return std::nullopt;
    }
    return guardado_->valor;
  }

 private:
  struct Guardado {
    std::string chave;
    unsigned long geracao = 0;
    Valor valor;
  };

  static std::string Completa(const std::string& chave) { return PrefixoGuardadas() + "|" + chave; }

  std::mutex mutex_;
  std::optional<Guardado> guardado_;
};

}  // namespace VyrFiscal
