// The NFC-e note of a recorded sale: its content, its signature and its form, checked with the
// official schemas (libxml2) and the xmlsec1 tool.

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "fiscal/nfce/authoriser.h"
#include "fiscal/nfce/schema_check.h"
#include "fiscal/nfce/simulated_authoriser.h"
#include "packages/fiscal/nfce_test_support.h"
#include "rtl/errors.h"
#include "support/seams.h"

namespace {

using namespace nfcetest;
using VyrFiscal::Nfce::ErrosDeEsquema;

// xmlsec1's verdict on a signed note: 0 when the signature holds against the test authority.
int Verify(const std::string& xml_path) {
  const std::string command = "xmlsec1 --verify --trusted-pem '" + Certificate().ca_pem_path +
                              "' --id-attr:Id http://www.portalfiscal.inf.br/nfe:infNFe '" +
                              xml_path + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0 ? 0 : 1;
}

std::string Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return std::to_string(n);
}

// The items' vDesc added up, in cents as "2.50".
std::string ItemDiscounts(const std::string& xml) {
  long cents = 0;
  for (size_t at = xml.find("<det "); at != std::string::npos; at = xml.find("<det ", at + 1)) {
    const std::string value = Between(xml.substr(at, xml.find("</det>", at) - at), "<vDesc>", "</");
    if (!value.empty()) cents += std::lround(std::stod(value) * 100);
  }
  char text[32];
  std::snprintf(text, sizeof text, "%ld.%02ld", cents / 100, cents % 100);
  return text;
}

class NfceDocumentTest : public NfceTest {
 protected:
  std::string Prepare(const std::string& nrseqvenda, bool with_consumer) {
    const auto doc = VyrFiscal::PreparaNfceDaVenda(conn_, Request(nrseqvenda, "123"),
                                                   Sale(nrseqvenda, with_consumer));
    return ReadFile(doc.arquivoXml);
  }
};

TEST_F(NfceDocumentTest, HomeDeliveryCarriesTheConsumerAndHomologationWording) {
  const std::string xml = Prepare("0000000001", true);
  EXPECT_EQ(
      "indPres=4|indIntermed=0|dest=<CPF>12345678909</CPF><xNome>NF-E EMITIDA EM AMBIENTE DE "
      "HOMOLOGACAO - SEM VALOR FISCAL</xNome>|xLgr=AVENIDA EXEMPLO 250|xProd=NOTA FISCAL EMITIDA "
      "EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL|vNF=61.80|vTroco=8.20|tpEmis=1"
      "|vDesc items=2.50 total=2.50",
      "indPres=" + Between(xml, "<indPres>", "</") + "|indIntermed=" +
          Between(xml, "<indIntermed>", "</") + "|dest=" + Between(xml, "<dest>", "<enderDest>") +
          "|xLgr=" + Between(Between(xml, "<enderDest>", "</enderDest>"), "<xLgr>", "</") +
          "|xProd=" + Between(xml, "<xProd>", "</") + "|vNF=" + Between(xml, "<vNF>", "</") +
          "|vTroco=" + Between(xml, "<vTroco>", "</") +
          "|tpEmis=" + Between(xml, "<tpEmis>", "</") + "|vDesc items=" + ItemDiscounts(xml) +
          " total=" + Between(Between(xml, "<ICMSTot>", "</ICMSTot>"), "<vDesc>", "</"));
}

TEST_F(NfceDocumentTest, SaleWithoutTaxNumberIsOnThePremisesWithoutConsumer) {
  const std::string xml = Prepare("0000000001", false);
  EXPECT_EQ("indPres=1|dest=0|indIntermed=0", "indPres=" + Between(xml, "<indPres>", "</") +
                                                  "|dest=" + Count(xml, "<dest>") +
                                                  "|indIntermed=" + Count(xml, "<indIntermed>"));
}

TEST_F(NfceDocumentTest, ADeliveryWithoutTaxNumberIsAHomeDeliveryToItsAddress) {
  VyrFiscal::VendaGravada sale = Sale("0000000001", true);
  sale.destinatario.CPFCNPJ = "";
  const std::string xml =
      ReadFile(VyrFiscal::PreparaNfceDaVenda(conn_, Request("0000000001", "123"), sale).arquivoXml);
  EXPECT_EQ("indPres=4|dest=<idEstrangeiro/>|xLgr=AVENIDA EXEMPLO 250|nro=S/N|schema=",
            "indPres=" + Between(xml, "<indPres>", "</") +
                "|dest=" + Between(xml, "<dest>", "<xNome>") +
                "|xLgr=" + Between(Between(xml, "<enderDest>", "</enderDest>"), "<xLgr>", "</") +
                "|nro=" + Between(Between(xml, "<enderDest>", "</enderDest>"), "<nro>", "</") +
                "|schema=" + ErrosDeEsquema(xml, Schemas() + "nfe_v4.00.xsd"));
}

TEST_F(NfceDocumentTest, NotesAndMessagesFollowTheOfficialSchemas) {
  const std::string normal = Prepare("0000000001", true);
  const std::string premises = Prepare("0000000002", false);
  // Production, a normal-regime branch, goods under tax substitution with GTIN and CEST, a
  // marketplace order, card and other payments.
  VyrFiscal::VendaGravada varied = Sale("0000000004", true);
  varied.emitente.CRT = "3";
  varied.cnpjIntermediador = "11444777000161";
  varied.idCadIntTran = "LOJA-4471";
  varied.itens[0].CSTICMS = "00";
  varied.itens[0].pICMS = 18;
  varied.itens[0].CSTPIS = "01";
  varied.itens[0].pPIS = 0.65;
  varied.itens[0].pCOFINS = 3;
  varied.itens[1].CSTICMS = "60";
  varied.itens[1].CFOP = "5405";
  varied.itens[1].CEST = "0300700";
  varied.itens[1].GTIN = "7891000315507";
  varied.itens[1].CSTPIS = "04";
  varied.pagamentos[0].CDFPIMPFIS = "03";
  varied.pagamentos[0].valor = 40;
  varied.pagamentos.push_back(varied.pagamentos[0]);
  varied.pagamentos[1].CDFPIMPFIS = "99";
  varied.pagamentos[1].NMTIPORECE = "VALE DA CASA";
  varied.pagamentos[1].valor = 21.80;
  VyrFiscal::PedidoNfce production = Request("0000000004", "126");
  production.tpAmb = "1";
  SetRegister("offline");
  const std::string other =
      ReadFile(VyrFiscal::PreparaNfceDaVenda(conn_, production, varied).arquivoXml);
  const std::string contingency = Prepare("0000000003", true);
  const std::string key = Between(normal, "Id=\"NFe", "\"");
  EXPECT_EQ(
      "||||||vICMS=9.32 vPIS=0.34 vCOFINS=1.55 <indIntermed>1</indIntermed> "
      "<infIntermed><CNPJ>11444777000161</CNPJ><idCadIntTran>LOJA-4471</idCadIntTran>"
      "</infIntermed> <cEAN>7891000315507</cEAN>",
      ErrosDeEsquema(normal, Schemas() + "nfe_v4.00.xsd") + "|" +
          ErrosDeEsquema(premises, Schemas() + "nfe_v4.00.xsd") + "|" +
          ErrosDeEsquema(contingency, Schemas() + "nfe_v4.00.xsd") + "|" +
          ErrosDeEsquema(VyrFiscal::Nfce::EnvelopeEnviNfe(contingency, "123"),
                         Schemas() + "enviNFe_v4.00.xsd") +
          "|" +
          ErrosDeEsquema(VyrFiscal::Nfce::ConsultaSituacaoNfe(key, "2"),
                         Schemas() + "consSitNFe_v4.00.xsd") +
          "|" + ErrosDeEsquema(other, Schemas() + "nfe_v4.00.xsd") +
          "|vICMS=" + Between(other, "<ICMSTot><vBC>51.80</vBC><vICMS>", "</") +
          " vPIS=" + Between(other, "<vPIS>", "</") +
          " vCOFINS=" + Between(other, "<vCOFINS>", "</") + " " + Element(other, "indIntermed") +
          " " + Element(other, "infIntermed") + " " + Element(other, "cEAN", 1));
}

TEST_F(NfceDocumentTest, NoteCarriesItsStatesAddressesUnlessTheRegisterNamesItsOwn) {
  store_.Exec("UPDATE CAIXAFISCAL SET DSURLQRCODE = NULL, IDMODOAUTORIZ = 'offline'");
  VyrFiscal::VendaGravada mg = Sale("0000000001", true);
  mg.emitente.cUF = "31";
  VyrFiscal::PedidoNfce production = Request("0000000001", "123");
  production.tpAmb = "1";
  const std::string state =
      ReadFile(VyrFiscal::PreparaNfceDaVenda(conn_, production, mg).arquivoXml);
  store_.Exec(
      "UPDATE CAIXAFISCAL SET IDMODOAUTORIZ = 'simulado', DSURLQRCODE = 'https://qr.example/q', "
      "DSURLCHAVE = 'https://chave.example/consulta'");
  const std::string own = Prepare("0000000002", true);
  // The QR code's address up to the key's state, the urlChave, the schema's errors.
  auto addresses = [](const std::string& xml) {
    const std::string qr = Between(xml, "<qrCode><![CDATA[", "]]>");
    return qr.substr(0, qr.find("?p=") + 5) + "|" + Between(xml, "<urlChave>", "</") +
           "|schema:" + ErrosDeEsquema(xml, Schemas() + "nfe_v4.00.xsd");
  };
  EXPECT_EQ(
      "https://portalsped.fazenda.mg.gov.br/portalnfce/sistema/qrcode.xhtml?p=31|"
      "https://portalsped.fazenda.mg.gov.br/portalnfce|schema:\n"
      "https://qr.example/q?p=35|https://chave.example/consulta|schema:",
      addresses(state) + "\n" + addresses(own));
}

TEST_F(NfceDocumentTest, SimulatedAuthoriserAnswersFollowTheOfficialSchemas) {
  const std::string note = Prepare("0000000001", true);
  const std::string key = Between(note, "Id=\"NFe", "\"");
  VyrFiscal::Nfce::AutorizadorSimulado authoriser;
  const std::string query = VyrFiscal::Nfce::ConsultaSituacaoNfe(key, "2");
  const std::string unknown = authoriser.Consulta(query).xml;
  const std::string authorised =
      authoriser.Autoriza(VyrFiscal::Nfce::EnvelopeEnviNfe(note, "1")).xml;
  const std::string duplicate =
      authoriser.Autoriza(VyrFiscal::Nfce::EnvelopeEnviNfe(note, "2")).xml;
  const std::string known = authoriser.Consulta(query).xml;
  EXPECT_EQ("217||100||204||100|",
            VyrFiscal::Nfce::LeProtocolo(unknown).cStat + "|" +
                ErrosDeEsquema(unknown, Schemas() + "retConsSitNFe_v4.00.xsd") + "|" +
                VyrFiscal::Nfce::LeProtocolo(authorised).cStat + "|" +
                ErrosDeEsquema(authorised, Schemas() + "retEnviNFe_v4.00.xsd") + "|" +
                VyrFiscal::Nfce::LeProtocolo(duplicate).cStat + "|" +
                ErrosDeEsquema(duplicate, Schemas() + "retEnviNFe_v4.00.xsd") + "|" +
                VyrFiscal::Nfce::LeProtocolo(known).cStat + "|" +
                ErrosDeEsquema(known, Schemas() + "retConsSitNFe_v4.00.xsd"));
}

TEST_F(NfceDocumentTest, SimulatedAuthoriserServesHomologationOnlyAndChecksTheSchema) {
  VyrFiscal::PedidoNfce production = Request("0000000001", "123");
  production.tpAmb = "1";
  std::string refusal;
  try {
    VyrFiscal::PreparaNfceDaVenda(conn_, production, Sale("0000000001", true));
  } catch (const rtl::Exception& error) {
    refusal = error.what();
  }
  std::string note = Prepare("0000000002", true);
  note.replace(note.find("<indPres>"), 10, "<indPres>7");
  const auto answer =
      VyrFiscal::Nfce::LeProtocolo(VyrFiscal::Nfce::AutorizadorSimulado()
                                       .Autoriza(VyrFiscal::Nfce::EnvelopeEnviNfe(note, "1"))
                                       .xml);
  EXPECT_EQ(
      "NFC-e: the simulated authoriser (CAIXAFISCAL.IDMODOAUTORIZ 'simulado') does not serve the "
      "production environment (tpAmb 1)|notes 1|225 Rejeicao: Falha no Schema XML do lote de NFe",
      refusal + "|notes " + store_.Scalar("SELECT COUNT(*) FROM NFCEVENDA") + "|" + answer.cStat +
          " " + answer.xMotivo);
}

TEST_F(NfceDocumentTest, SignatureVerifiesAndBreaksWhenAValueChanges) {
  const auto doc =
      VyrFiscal::PreparaNfceDaVenda(conn_, Request("0000000001", "123"), Sale("0000000001", true));
  const std::string xml = ReadFile(doc.arquivoXml);
  std::string tampered = xml;
  tampered.replace(tampered.find("<vNF>61.80"), 10, "<vNF>61.81");
  const std::string tampered_path = store_.Dir() + "/tampered.xml";
  std::ofstream(tampered_path) << tampered;
  EXPECT_EQ("signed=0|tampered=1|certificates=1|reference=#NFe" + doc.chave + "|line breaks=0",
            "signed=" + std::to_string(Verify(doc.arquivoXml)) +
                "|tampered=" + std::to_string(Verify(tampered_path)) +
                "|certificates=" + Count(xml, "<X509Certificate>") + "|reference=" +
                Between(xml, "<Reference URI=\"", "\"") + "|line breaks=" + Count(xml, "\n"));
}

TEST_F(NfceDocumentTest, ContingencyNoteStatesWhenAndWhyAndCarriesTheOfflineQrCode) {
  SetRegister("offline");
  const auto doc =
      VyrFiscal::PreparaNfceDaVenda(conn_, Request("0000000001", "123"), Sale("0000000001", true));
  const std::string xml = ReadFile(doc.arquivoXml);
  const std::string qr = Between(xml, "<qrCode><![CDATA[", "]]>");
  const std::string digest = Between(xml, "<DigestValue>", "</DigestValue>");
  std::string digest_hex;
  for (unsigned char c : digest) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", c);
    digest_hex += pair;
  }
  EXPECT_EQ(
      "contingencia=1|key tpEmis=9|tpEmis=9|dhCont=2026-03-10T19:42:05-03:00|xJust=SEM "
      "COMUNICACAO COM O AUTORIZADOR - NFC-E EMITIDA EM CONTINGENCIA OFFLINE|qr=" +
          doc.chave + "|2|2|10|61.80|" + digest_hex + "|1|",
      "contingencia=" + std::to_string(doc.contingencia) +
          "|key tpEmis=" + doc.chave.substr(34, 1) + "|tpEmis=" + Between(xml, "<tpEmis>", "</") +
          "|dhCont=" + Between(xml, "<dhCont>", "</") + "|xJust=" + Between(xml, "<xJust>", "</") +
          "|qr=" + Between(qr, "?p=", "|" + qr.substr(qr.size() - 40)) + "|");
}

TEST_F(NfceDocumentTest, NoteIsKeptInTheDaysXmlFolderAndTheSaleKeepsItsOneNumber) {
  const vyrtest::ScopedClock clock(rtl::EncodeDateTime({2026, 3, 10, 23, 59, 59, 0}));
  const auto first =
      VyrFiscal::PreparaNfceDaVenda(conn_, Request("0000000001", "123"), Sale("0000000001", true));
  const auto again =
      VyrFiscal::PreparaNfceDaVenda(conn_, Request("0000000001", "124"), Sale("0000000001", true));
  const std::string folder = store_.Dir() + "/Dados/XML_NFCe_Sat/0001-001-2026-03-10/";
  EXPECT_EQ("file=" + folder + first.chave + ".xml|again=" + first.chave +
                "|stored=" + first.chave + "|pending|1|contingencia=0",
            "file=" + first.arquivoXml + "|again=" + again.chave +
                "|stored=" + VyrFiscal::ChaveNfceGravada(conn_, "0001", "001", "0000000001") + "|" +
                store_.Scalar("SELECT IDSITUNFCE FROM NFCEVENDA") + "|" +
                std::to_string(store_.Count("NFCEVENDA")) +
                "|contingencia=" + std::to_string(first.contingencia));
}

// A note of 22:00 on the last day of the month in São Paulo is issued when a host on UTC is
// already in the next month: it is filed, and recorded relative to the program directory, under
// the branch's day its dhEmi says.
TEST_F(NfceDocumentTest, NoteIsFiledUnderTheBranchsDayItsDhEmiSays) {
  const vyrtest::ScopedTimeZone utc("UTC0");
  const vyrtest::ScopedClock clock(rtl::EncodeDateTime({2026, 4, 1, 1, 0, 0, 0}));
  VyrFiscal::PedidoNfce request = Request("0000000001", "123");
  request.dhEmi.clear();
  const auto note = VyrFiscal::PreparaNfceDaVenda(conn_, request, Sale("0000000001", true));
  EXPECT_EQ("Dados/XML_NFCe_Sat/0001-001-2026-03-31/" + note.chave + ".xml",
            store_.Scalar("SELECT DSARQXMLNFCE FROM NFCEVENDA"));
}

TEST_F(NfceDocumentTest, AWrongCertificatePasswordNamesTheFileAndHidesThePassword) {
  store_.Exec("UPDATE CAIXAFISCAL SET DSSENHACERTIF = ?",
              {VyrUtil::Cripto("outra-senha", VyrFiscal::Nfce::kChaveSenhaCertificado)});
  try {
    Prepare("0000000001", true);
    FAIL() << "signed with a wrong password";
  } catch (const rtl::Exception& error) {
    EXPECT_EQ("Certificate file '" + store_.Dir() +
                  "/Dados/a1.pfx' is not a PKCS#12 certificate that the register's password "
                  "(CAIXAFISCAL.DSSENHACERTIF, ****) opens",
              error.Message());
  }
}

}  // namespace

// A MEI branch (CRT 4) declares CSOSN like a Simples Nacional one; each CSOSN goes in its own
// group (500, charged before, in ICMSSN500), and a one-digit payment code is the layout's two.
TEST_F(NfceDocumentTest, AMeiBranchDeclaresTheGroupOfEachCsosnAndPadsAOneDigitPaymentCode) {
  VyrFiscal::VendaGravada sale = Sale("0000000001", true);
  sale.emitente.CRT = "4";
  sale.itens[0].CSTICMS = "500";
  sale.pagamentos[0].CDFPIMPFIS = "1";
  std::string xml;
  try {
    xml = ReadFile(
        VyrFiscal::PreparaNfceDaVenda(conn_, Request("0000000001", "123"), sale).arquivoXml);
  } catch (const std::exception& e) {
    xml = e.what();
  }
  EXPECT_EQ(
      "<CRT>4</CRT>|<ICMSSN500><orig>0</orig><CSOSN>500</CSOSN></ICMSSN500>|"
      "<ICMSSN102><orig>0</orig><CSOSN>102</CSOSN></ICMSSN102>|<tPag>01</tPag>",
      Element(xml, "CRT") + "|" + Element(xml, "ICMSSN500") + "|" + Element(xml, "ICMSSN102") +
          "|" + Element(xml, "tPag"));
}
