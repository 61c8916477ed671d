// Session numbers of the calls to a SAT device.

#include "fiscal/sat/sat_session.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/seams.h"
#include "support/temp_dir.h"

namespace {

// The random source draws the given session numbers in turn.
std::vector<uint32_t> Sorteio(std::vector<uint32_t> numeros) {
  for (uint32_t& numero : numeros) numero -= 100000;
  return numeros;
}

TEST(SatSessionTest, ANumberAmongTheLastHundredIsNotUsedAgain) {
  vyrtest::TempDir pasta;
  const std::string arquivo = pasta.Path() + "/Dados/SatSessoes.txt";
  std::vector<uint32_t> sorteados;
  for (uint32_t i = 0; i <= 100; ++i) sorteados.push_back(100000 + i);
  sorteados.push_back(100050);  // among the last 100: drawn again
  sorteados.push_back(100000);  // 101 numbers ago: free again
  int volta = 0;
  {
    const vyrtest::ScopedRandom sorteio(Sorteio(sorteados));
    VyrFiscal::Sat::SessoesSat sessoes(arquivo);
    for (int i = 0; i <= 100; ++i) sessoes.Nova("001", false);
    volta = sessoes.Nova("001", false);
  }
  // A restart reads the recent numbers back from the file.
  const vyrtest::ScopedRandom sorteio(Sorteio({100050, 100099, 555555}));
  VyrFiscal::Sat::SessoesSat reiniciado(arquivo);
  EXPECT_EQ("100000 555555",
            std::to_string(volta) + " " + std::to_string(reiniciado.Nova("001", false)));
}

TEST(SatSessionTest, ASharedDeviceGetsTheRegisterInTheLastDigits) {
  vyrtest::TempDir pasta;
  const vyrtest::ScopedRandom sorteio(Sorteio({123456, 654321}));
  VyrFiscal::Sat::SessoesSat sessoes(pasta.Path() + "/s.txt");
  const int primeira = sessoes.Nova("007", true);
  const int segunda = sessoes.Nova("12", true);
  EXPECT_EQ("123007 654012", std::to_string(primeira) + " " + std::to_string(segunda));
}

}  // namespace
