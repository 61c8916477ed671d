// The pause of a register whose fault no order can mend: what it logs, and when, as the worker
// asks it before each pass (the time is given, so minutes pass without waiting).

#include <gtest/gtest.h>

#include "datamodule/register_pause.h"

namespace Cli_Qam00417 {
namespace {

constexpr double kSegundo = 1.0 / 86400;

TEST(RegisterPauseTest, LogsAFaultWhenItBeginsChangesOnceAMinuteAndWhenItEnds) {
  PausaDoCaixa pausa;
  const rtl::TDateTime t0 = rtl::EncodeDateTime({2026, 3, 10, 19, 0, 0, 0});
  std::string log;
  // Each step: seconds from t0, the fault the readiness check answers ("" none), or one a
  // closing met: "!..." one the check can see too, "?..." one it cannot (held a minute).
  const std::pair<int, const char*> passos[] = {{0, ""},
                                                {1, "sem certificado"},
                                                {2, "sem certificado"},
                                                {60, "sem certificado"},
                                                {61, "sem certificado"},
                                                {62, "sem esquema"},
                                                {70, ""},
                                                {71, ""},
                                                {72, "!sem certificado"},
                                                {73, ""},
                                                {74, "sem certificado"},
                                                {77, ""},
                                                {79, ""},
                                                {80, "?ativacao recusada"},
                                                {87, ""},
                                                {139, ""},
                                                {140, ""},
                                                {141, "sem rede"},
                                                {142, ""},
                                                {143, "!sem rede"},
                                                {144, "!sem rede"},
                                                {204, "sem rede"},
                                                {205, "sem rede"}};
  for (const auto& [segundos, falha] : passos) {
    const rtl::TDateTime agora = t0 + segundos * kSegundo;
    const std::string linha = falha[0] == '!' || falha[0] == '?'
                                  ? pausa.Entra("0001", "001", falha + 1, agora, falha[0] == '!')
                                  : pausa.Verifica("0001", "001", falha, agora);
    log += std::to_string(segundos) + (pausa.Parado() ? " P " : " - ") + linha + "\n";
  }
  EXPECT_EQ(
      "0 - \n"
      "1 P Caixa 0001/001 parado: sem certificado - nenhum pedido é fechado até que seja "
      "corrigido\n"
      "2 P \n"
      "60 P \n"
      "61 P Caixa 0001/001 continua parado desde 10/03/2026 19:00:01: sem certificado\n"
      "62 P Caixa 0001/001 parado: sem esquema - nenhum pedido é fechado até que seja corrigido\n"
      "70 - Caixa 0001/001 voltou a fechar pedidos (parado desde 10/03/2026 19:01:02): "
      "corrigido: sem esquema\n"
      "71 - \n"
      "72 P Caixa 0001/001 parado: sem certificado - nenhum pedido é fechado até que seja "
      "corrigido\n"
      "73 P \n"
      "74 P \n"
      "77 P \n"
      "79 - Caixa 0001/001 voltou a fechar pedidos (parado desde 10/03/2026 19:01:12): "
      "corrigido: sem certificado\n"
      "80 P Caixa 0001/001 parado: ativacao recusada - nenhum pedido é fechado até que seja "
      "corrigido\n"
      "87 P \n"
      "139 P \n"
      "140 - Caixa 0001/001 voltou a fechar pedidos (parado desde 10/03/2026 19:01:20): "
      "corrigido: ativacao recusada\n"
      "141 P Caixa 0001/001 parado: sem rede - nenhum pedido é fechado até que seja corrigido\n"
      "142 - Caixa 0001/001 voltou a fechar pedidos (parado desde 10/03/2026 19:02:21): "
      "corrigido: sem rede\n"
      "143 P Caixa 0001/001 parado: sem rede - nenhum pedido é fechado até que seja corrigido\n"
      "144 P \n"
      "204 P Caixa 0001/001 continua parado desde 10/03/2026 19:02:23: sem rede\n"
      "205 P \n",
      log);
}

}  // namespace
}  // namespace Cli_Qam00417
