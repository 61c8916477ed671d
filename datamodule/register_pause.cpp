#include "datamodule/register_pause.h"

namespace Cli_Qam00417 {
namespace {

constexpr double kUmSegundo = 1.0 / (24 * 60 * 60);
// Times are fractions of a day: half a second keeps a full minute a full minute.
constexpr double kIntervaloAviso = 60 * kUmSegundo - kUmSegundo / 2;
// Longer than the fiscal package keeps a readiness answer (kSegundosProntidao).
constexpr double kRetencao = 6 * kUmSegundo;
// A fault the readiness check cannot see is tried again once a minute.
constexpr double kRetencaoNaoVerificavel = 60 * kUmSegundo - kUmSegundo / 2;

std::string Caixa(const std::string& CDFILIAL, const std::string& CDCAIXA) {
  return "Caixa " + CDFILIAL + "/" + CDCAIXA;
}

}  // namespace

std::string PausaDoCaixa::Entra(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                const std::string& falha, rtl::TDateTime agora, bool verificavel) {
  retido_ate_ = agora + (verificavel ? kRetencao : kRetencaoNaoVerificavel);
  if (falha == falha_) return "";
  desde_ = agora;
  avisado_ = agora;
  falha_ = falha;
  return Caixa(CDFILIAL, CDCAIXA) + " parado: " + falha +
         " - nenhum pedido é fechado até que seja corrigido";
}

std::string PausaDoCaixa::Verifica(const std::string& CDFILIAL, const std::string& CDCAIXA,
                                   const std::string& falha, rtl::TDateTime agora) {
  if (falha.empty()) {
    if (!Parado() || agora < retido_ate_) return "";
    const std::string fim = Caixa(CDFILIAL, CDCAIXA) + " voltou a fechar pedidos (parado desde " +
                            rtl::DateTimeToStr(desde_) + "): corrigido: " + falha_;
    falha_.clear();
    return fim;
  }
  if (falha != falha_) {
    const std::string inicio = Entra(CDFILIAL, CDCAIXA, falha, agora);
    retido_ate_ = 0;
    return inicio;
  }
  if (agora - avisado_ < kIntervaloAviso) return "";
  avisado_ = agora;
  return Caixa(CDFILIAL, CDCAIXA) + " continua parado desde " + rtl::DateTimeToStr(desde_) + ": " +
         falha_;
}

}  // namespace Cli_Qam00417
