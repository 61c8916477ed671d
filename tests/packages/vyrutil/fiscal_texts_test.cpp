// The texts the fiscal documents share: the access key's check digit and the local time with
// its offset.

#include <gtest/gtest.h>

#include "support/seams.h"
#include "vyrutil/access_key.h"
#include "vyrutil/local_time.h"
#include "vyrutil/strings.h"

namespace {

// Published NFC-e and CF-e keys; the last two have a wrong check digit.
TEST(AccessKey, CheckDigitsOfPublishedKeys) {
  std::string found;
  for (const std::string key : {"13181017921427000125650010000000309887251170",
                                "41200323285089000185650010000013051817822496",
                                "28140300156225000131650110000151341562040824",
                                "52060433009911002506550120000007800267301615",
                                "35150908723218000186599000040190000723645630",
                                "29181033657677000156650010001654399001654399",
                                "43211105730928000145650010000002401717268120"}) {
    found += std::to_string(VyrUtil::DigitoVerificador(key.substr(0, 43))) +
             (VyrUtil::ChaveAcessoValida(key) ? " valid;" : " wrong;");
  }
  EXPECT_EQ("0 valid;6 valid;4 valid;5 valid;0 valid;8 wrong;9 wrong;", found);
}

// Published valid numbers, then one wrong digit, a short one, a repeated digit and a letter.
TEST(AccessKey, CpfAndCnpjCheckDigits) {
  std::string found;
  for (const char* numero :
       {"123.456.789-09", "11.222.333/0001-81", "52998224725", "123.456.789-08", "11222333000182",
        "111", "11111111111", "1234567890A"}) {
    found += VyrUtil::ProblemaCpfCnpj(numero) + ";";
  }
  EXPECT_EQ(
      ";;;tem dígito verificador inválido para um CPF;tem dígito verificador inválido para um "
      "CNPJ;tem 3 dígitos (CPF tem 11, CNPJ 14);tem todos os dígitos iguais;tem caracteres que "
      "não são dígitos nem pontuação;",
      found);
}

// The offset is the zone's at that moment: daylight saving (here a southern summer) counts.
TEST(LocalTime, CarriesTheZonesOffsetAtThatMoment) {
  const vyrtest::ScopedTimeZone zone("<-03>3<-02>,M10.3.0/0,M2.3.0/0");
  const std::string winter =
      VyrUtil::DataHoraComFuso(rtl::EncodeDateTime({2026, 7, 1, 9, 5, 7, 999}));
  const std::string summer =
      VyrUtil::DataHoraComFuso(rtl::EncodeDateTime({2026, 12, 8, 0, 5, 0, 0}));
  const vyrtest::ScopedTimeZone india("<+0530>-5:30");
  EXPECT_EQ("2026-07-01T09:05:07-03:00 2026-12-08T00:05:00-02:00 2026-03-10T19:42:05+05:30",
            winter + " " + summer + " " +
                VyrUtil::DataHoraComFuso(rtl::EncodeDateTime({2026, 3, 10, 19, 42, 5, 0})));
}

// The branch's zone, not the host's: the same moment on a UTC host and on a +05:30 host, in
// São Paulo (the default), Manaus and Noronha; São Paulo before 2019 still had summer time.
TEST(LocalTime, TheBranchsZoneWhateverTheHosts) {
  std::string found;
  for (const char* host : {"UTC0", "<+0530>-5:30"}) {
    const vyrtest::ScopedTimeZone zone(host);
    const rtl::TDateTime instante = rtl::EncodeDateTime({2026, 3, 10, 13, 58, 0, 0});
    const std::string utc = VyrUtil::DataHoraComFuso(instante, "UTC");
    found += VyrUtil::DataHoraNoFuso(utc, "") + " " +
             VyrUtil::DataHoraNoFuso(utc, "America/Manaus") + " " +
             VyrUtil::DataHoraNoFuso(utc, "America/Noronha") + "|";
  }
  found += VyrUtil::DataHoraNoFuso("2018-12-01T12:00:00Z", "America/Sao_Paulo") + "|";
  try {
    VyrUtil::DataHoraNoFuso("2026-03-10T13:58:00Z", "America/Atlantida");
  } catch (const std::exception& e) {
    found += e.what();
  }
  EXPECT_EQ(
      "2026-03-10T10:58:00-03:00 2026-03-10T09:58:00-04:00 2026-03-10T11:58:00-02:00|"
      "2026-03-10T05:28:00-03:00 2026-03-10T04:28:00-04:00 2026-03-10T06:28:00-02:00|"
      "2018-12-01T10:00:00-02:00|"
      "time zone 'America/Atlantida' (FILIAL.DSFUSOHORARIO) is unknown: "
      "/usr/share/zoneinfo/America/Atlantida is not a zone file",
      found);
}

// Control characters (ESC and its command included), characters beyond Latin-1 and stray
// bytes become spaces; accented Latin-1 letters stay.
TEST(CleanText, KeepsPrintableLatin1Only) {
  EXPECT_EQ("PIZZA @ CAL ABRESA A O \xc3\xa7\xc3\xa3o  ",
            VyrUtil::TextoLimpo("PIZZA\x1b"
                                "@\x07"
                                "CAL\nABRESA\xe2\x82\xac"
                                "A\xc2\x9b"
                                "O\xff\xc3\xa7\xc3\xa3o\x7f\xf0\x9f\x8d\x95"));
}

}  // namespace
