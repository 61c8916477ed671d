// The NFC-e access key's check digit and the QR code's text, against published vectors, and the
// states' addresses.

#include <gtest/gtest.h>

#include "fiscal/nfce/access_key.h"
#include "fiscal/nfce/endpoints/endpoints.h"
#include "fiscal/nfce/qr_code_text.h"
#include "support/seams.h"

namespace {

using namespace VyrFiscal::Nfce;

TEST(NfceAccessKey, BuiltFromItsPartsWithPadding) {
  PartesChave parts;
  parts.cUF = "35";
  parts.AAMM = "2603";
  parts.CNPJ = "11222333000181";
  parts.serie = "1";
  parts.nNF = "123";
  parts.tpEmis = "1";
  parts.cNF = "48213576";
  EXPECT_EQ("35260311222333000181650010000001231482135765", MontaChave(parts));
}

// The note's own number, runs up and down (wrapping) and repeated digits are drawn again.
TEST(NfceAccessKey, RandomCodeIsNeverTheNumberNorARun) {
  const vyrtest::ScopedRandom draws({12345678, 90123456, 87654321, 11111111, 4821357});
  EXPECT_EQ("04821357", NovoCodigoNumerico("12345678"));
}

TEST(NfceQrCode, OnlineHashOfThePublishedVector) {
  DadosQrCode data;
  data.url = "https://www.sefaz.example/nfce/qrcode";
  data.chave = "28170800156225000131650110000151341562040824";
  data.tpAmb = "1";
  data.idCSC = "000001";
  data.CSC = "SEU-CODIGO-CSC-CONTRIBUINTE-36-CARACTERES";
  EXPECT_EQ(
      "https://www.sefaz.example/nfce/qrcode?p=28170800156225000131650110000151341562040824|2|1|"
      "1|DC6AE2C2B9A992BE59679AC365E29922DE6B7511",
      QrCodeOnline(data));
}

TEST(NfceQrCode, OfflineFormCarriesDayTotalAndDigest) {
  DadosQrCode data;
  data.url = "https://q.example/qr";
  data.chave = "13181017921427000125650010000000309887251170";
  data.tpAmb = "2";
  data.idCSC = "2";
  data.CSC = "CSC";
  data.dia = "05";
  data.vNF = "61.80";
  data.digestValue = "AB+=";
  // The hash is the SHA-1 of the parameters followed by "CSC", worked out apart (sha1sum).
  EXPECT_EQ(
      "https://q.example/qr?p=13181017921427000125650010000000309887251170|2|2|05|61.80|41422b3d|"
      "2|D62A5C6BAC105DC44AF3921EB3C9C5B0AC81094A",
      QrCodeOffline(data));
}

// A state served by SEFAZ Virtual RS: its own QR and urlChave addresses, SVRS's services.
TEST(NfceEndpoints, AStateHasItsAddressesAndItsAuthorisersServices) {
  const EnderecosNfce ba = EnderecosDoEstado("29", "2");
  std::string unknown;
  try {
    EnderecosDoEstado("99", "1");
  } catch (const std::exception& error) {
    unknown = error.what();
  }
  EXPECT_EQ(
      "BA SVRS|http://hnfe.sefaz.ba.gov.br/servicos/nfce/qrcode.aspx|"
      "http://hinternet.sefaz.ba.gov.br/nfce/consulta|"
      "https://nfce-homologacao.svrs.rs.gov.br/ws/NfeAutorizacao/NFeAutorizacao4.asmx|"
      "NFC-e: no authoriser addresses for state code (cUF) '99' of the issuer",
      ba.uf + " " + ba.autorizador + "|" + ba.urlQrCode + "|" + ba.urlChave + "|" + ba.autorizacao +
          "|" + unknown);
}

}  // namespace
