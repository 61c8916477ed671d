#include "vyrutil/crypto.h"

#include <gtest/gtest.h>

#include "rtl/errors.h"

namespace {

using VyrUtil::Cripto;
using VyrUtil::kChaveAtivacaoSat;
using VyrUtil::Uncripto;

TEST(Cripto, RoundTripsAnyText) {
  const std::string samples[] = {
      "",           "123456789",          "Ativacao SAT 2026!", std::string("\0\x01\xff", 3),
      "código ção", std::string(500, 'z')};
  for (const std::string& plain : samples) {
    for (int key : {kChaveAtivacaoSat, 0, -5, 123456}) {
      EXPECT_EQ(plain, Uncripto(Cripto(plain, key), key)) << "key " << key;
    }
  }
}

TEST(Cripto, OutputIsPrintableAndHidesThePlainText) {
  const std::string stored = Cripto("12345678", kChaveAtivacaoSat);
  for (char c : stored) EXPECT_TRUE(std::isprint(static_cast<unsigned char>(c))) << stored;
  EXPECT_EQ(std::string::npos, stored.find("12345678"));
  EXPECT_NE(Cripto("12345678", kChaveAtivacaoSat), Cripto("12345678", kChaveAtivacaoSat + 1));
}

TEST(Uncripto, LowerCaseHexIsAccepted) {
  std::string stored = Cripto("abc", kChaveAtivacaoSat);
  for (char& c : stored) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ("abc", Uncripto(stored, kChaveAtivacaoSat));
}

// The normal state of a register without a SAT device.
TEST(Uncripto, EmptyCodeGivesEmptyText) {
  EXPECT_EQ("", Uncripto("", kChaveAtivacaoSat));
}

TEST(Uncripto, TextsCriptoCannotHaveMadeRaiseConvertError) {
  EXPECT_THROW(Uncripto("A", kChaveAtivacaoSat), rtl::EConvertError);
  EXPECT_THROW(Uncripto("ABC", kChaveAtivacaoSat), rtl::EConvertError);
  EXPECT_THROW(Uncripto("12345678", kChaveAtivacaoSat), rtl::EConvertError);
  EXPECT_THROW(Uncripto("not encrypted", kChaveAtivacaoSat), rtl::EConvertError);
  EXPECT_THROW(Uncripto("ZZ", kChaveAtivacaoSat), rtl::EConvertError);
}

TEST(Uncripto, AlteredTextOrWrongKeyIsRefused) {
  std::string stored = Cripto("CODIGO-DE-ATIVACAO", kChaveAtivacaoSat);
  EXPECT_THROW(Uncripto(stored, kChaveAtivacaoSat + 1), rtl::EConvertError);
  stored[4] = stored[4] == '0' ? '1' : '0';
  EXPECT_THROW(Uncripto(stored, kChaveAtivacaoSat), rtl::EConvertError);
}

}  // namespace
