// Session numbers of the calls to a SAT device.

#include "fiscal/sat/sat_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/temp_dir.h"

namespace {

// Draws the given numbers in turn.
std::function<int()> Sorteio(std::vector<int> numeros) {
  auto proximo = std::make_shared<size_t>(0);
  return [numeros, proximo] { return numeros[(*proximo)++ % numeros.size()]; };
}

TEST(SatSessionTest, ANumberAmongTheLastHundredIsNotUsedAgain) {
  vyrtest::TempDir pasta;
  const std::string arquivo = pasta.Path() + "/Dados/SatSessoes.txt";
  std::vector<int> sorteados;
  for (int i = 0; i <= 100; ++i) sorteados.push_back(100000 + i);
  sorteados.push_back(100050);  // among the last 100: drawn again
  sorteados.push_back(100000);  // 101 numbers ago: free again
  VyrFiscal::Sat::SessoesSat sessoes(arquivo, Sorteio(sorteados));
  for (int i = 0; i <= 100; ++i) sessoes.Nova("001", false);
  const int volta = sessoes.Nova("001", false);
  // A restart reads the recent numbers back from the file.
  VyrFiscal::Sat::SessoesSat reiniciado(arquivo, Sorteio({100050, 100099, 555555}));
  EXPECT_EQ("100000 555555",
            std::to_string(volta) + " " + std::to_string(reiniciado.Nova("001", false)));
}

TEST(SatSessionTest, ASharedDeviceGetsTheRegisterInTheLastDigits) {
  vyrtest::TempDir pasta;
  VyrFiscal::Sat::SessoesSat sessoes(pasta.Path() + "/s.txt", Sorteio({123456, 654321}));
  const int primeira = sessoes.Nova("007", true);
  const int segunda = sessoes.Nova("12", true);
  EXPECT_EQ("123007 654012", std::to_string(primeira) + " " + std::to_string(segunda));
}

}  // namespace
