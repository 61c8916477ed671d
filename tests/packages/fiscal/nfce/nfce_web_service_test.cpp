// The client of the state's web services against a local HTTPS stand-in: each answer an
// authoriser gives, a send whose answer never comes, a closed port and a client without its
// certificate; and a register with no mode whose notes reach the stand-in through its settings.

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "fiscal/fiscal_functions.h"
#include "fiscal/fiscal_store.h"
#include "fiscal/nfce/authoriser.h"
#include "fiscal/nfce/certificate_check.h"
#include "fiscal/nfce/technical_contact.h"
#include "fiscal/nfce/webservice/web_service_authoriser.h"
#include "packages/fiscal/nfce_test_support.h"
#include "support/fiscal_builders.h"
#include "support/sefaz_stand_in.h"

namespace {

using namespace nfcetest;
using VyrFiscal::Nfce::RespostaTransporte;

class NfceWebServiceTest : public NfceTest {
 protected:
  NfceWebServiceTest() : standIn_(certs_.Path(), Certificate().ca_pem_path, Schemas()) {}

  VyrFiscal::Nfce::ConfiguracaoCliente Client(const std::string& url) {
    VyrFiscal::Nfce::ConfiguracaoCliente client;
    client.tls.arquivoCertificado = store_.Dir() + "/Dados/a1.pfx";
    client.tls.senhaCertificado = Certificate().password;
    client.tls.arquivoCadeiaCa = standIn_.CaBundle();
    client.tls.segundosConexao = 2;
    client.tls.segundosTotal = 2;
    client.urlServicos = url;
    client.segundosEntreRecibos = 0;
    return client;
  }

  // "state" or "state/cStat" of one answer.
  static std::string Outcome(const RespostaTransporte& answer) {
    switch (answer.estado) {
      case RespostaTransporte::Estado::SemConexao:
        return "no connection";
      case RespostaTransporte::Estado::TempoEsgotado:
        return "unknown";
      case RespostaTransporte::Estado::Respondeu:
        break;
    }
    return VyrFiscal::Nfce::LeProtocolo(answer.xml).cStat;
  }

  static std::string Replaced(std::string text, const std::string& what, const std::string& with) {
    if (what.empty()) return text;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) {
      text.replace(at, what.size(), with);
    }
    return text;
  }

  vyrtest::TempDir certs_{"vyr_standin"};
  vyrtest::SefazStandIn standIn_;
};

TEST_F(NfceWebServiceTest, TheClientReadsEveryAnswerAndTellsNoConnectionFromAnUnknownOutcome) {
  SetRegister("offline");
  const auto doc =
      VyrFiscal::PreparaNfceDaVenda(conn_, Request("0000000001", "123"), Sale("0000000001", true));
  const std::string batch = VyrFiscal::Nfce::EnvelopeEnviNfe(ReadFile(doc.arquivoXml), "123");
  std::string broken = batch;
  for (size_t at = broken.find("natOp>"); at != std::string::npos; at = broken.find("natOp>")) {
    broken.replace(at, 6, "natOpX>");
  }
  VyrFiscal::Nfce::AutorizadorWebService client(Client(standIn_.Url()));
  std::string outcomes;
  for (const char* answer : {"100", "204", "539", "103"}) {
    standIn_.AnswerBatches(answer);
    outcomes += std::string(answer) + "=" + Outcome(client.Autoriza(batch)) + ";";
  }
  outcomes += "schema=" + Outcome(client.Autoriza(broken)) + ";";
  outcomes +=
      "query=" + Outcome(client.Consulta(VyrFiscal::Nfce::ConsultaSituacaoNfe(doc.chave, "2"))) +
      ";";
  for (const char* answer : {"107", "108", "109"}) {
    standIn_.AnswerStatus(answer);
    outcomes +=
        "status=" + Outcome(client.Status(VyrFiscal::Nfce::ConsultaStatusServico("35", "2"))) + ";";
  }
  // Each of these went out and may have been acted on: never "no connection".
  for (const char* spoilt : {"reset", "500", "notsoap"}) {
    standIn_.AnswerBatches(spoilt);
    outcomes += std::string(spoilt) + "=" + Outcome(client.Autoriza(batch)) + ";";
  }
  standIn_.AnswerBatches("103");
  standIn_.AnswerReceipts("500");
  outcomes += "103 then receipt 500=" + Outcome(client.Autoriza(batch)) + ";";
  standIn_.AnswerBatches("slow");
  outcomes += "slow=" + Outcome(client.Autoriza(batch)) + ";";
  VyrFiscal::Nfce::ConfiguracaoCliente anonymous = Client(standIn_.Url());
  anonymous.tls.arquivoCertificado.clear();
  outcomes += "no certificate=" +
              Outcome(VyrFiscal::Nfce::AutorizadorWebService(anonymous).Autoriza(batch)) + ";";
  outcomes += "closed port=" +
              Outcome(VyrFiscal::Nfce::AutorizadorWebService(
                          Client("https://127.0.0.1:" + std::to_string(vyrtest::ClosedPort())))
                          .Autoriza(batch));
  EXPECT_EQ(
      "100=100;204=204;539=539;103=100;schema=225;query=100;status=107;status=108;status=109;"
      "reset=unknown;500=unknown;notsoap=unknown;103 then receipt 500=unknown;"
      "slow=unknown;no certificate=no connection;closed port=no connection\n"
      "NFeAutorizacao4 100\nNFeAutorizacao4 204\nNFeAutorizacao4 539\nNFeAutorizacao4 103\n"
      "NFeRetAutorizacao4 104\nNFeAutorizacao4 225\nNFeConsultaProtocolo4 100\n"
      "NFeStatusServico4 107\nNFeStatusServico4 108\nNFeStatusServico4 109\n"
      "NFeAutorizacao4 100 reset\nNFeAutorizacao4 100 500\nNFeAutorizacao4 100 notsoap\n"
      "NFeAutorizacao4 103\nNFeRetAutorizacao4 104 500\nNFeRetAutorizacao4 104 500\n"
      "NFeRetAutorizacao4 104 500\n",
      outcomes + "\n" + standIn_.Calls());
}

// The register's settings name the services' address and the authority its server chains to;
// a number voided through the package goes there too, signed.
TEST_F(NfceWebServiceTest, ARegisterWithNoModeSendsItsNotesAndVoidingsWhereItsSettingsSay) {
  SetRegister("");
  store_.Exec("UPDATE CAIXAFISCAL SET DSURLWSNFCE = ?, DSARQCADEIAWS = ?",
              {standIn_.Url(), standIn_.CaBundle()});
  const auto doc = Emit("0000000001", "123");
  setenv("VYR_CONEXAO", store_.SqliteConnectionString().c_str(), 1);
  VyrFiscal::ConexaoFiscal().Close();
  vyrtest::InsertFiscalBranch(store_, "0001");
  const std::string voided = VyrFiscal::InutilizaNumeroNFCe("0001", "001", "1", "124", "2");
  VyrFiscal::ConexaoFiscal().Close();
  unsetenv("VYR_CONEXAO");
  EXPECT_EQ(
      "contingencia=0|authorised|1|102 stand-in 102 135260000000099|NFeAutorizacao4 100\n"
      "NFeInutilizacao4 102\n",
      "contingencia=" + std::to_string(doc.contingencia) + "|" +
          store_.Scalar("SELECT IDSITUNFCE FROM NFCEVENDA") + "|" +
          store_.Scalar("SELECT IDTPEMISNFCE FROM NFCEVENDA") + "|" + voided + "|" +
          standIn_.Calls());
}

// From 30 days before its end the certificate is announced; past it, and with a password that
// does not open it, it is refused naming the file and never the password.
TEST_F(NfceWebServiceTest, ACertificateNearItsEndIsAnnouncedAndAnExpiredOrUnreadableOneRefused) {
  using VyrFiscal::Nfce::AvisoValidade;
  using VyrFiscal::Nfce::FimDaValidade;
  const std::string file = Certificate().pfx_path;
  const rtl::TDateTime end = FimDaValidade(file, Certificate().password);
  const std::string day = rtl::FormatDateIso(end).substr(0, 10);
  // The test certificate is valid from 400 days ago for 365 days: read in UTC, month and day.
  const auto validity = VyrFiscal::Nfce::ValidadeDoCertificado(file, Certificate().password);
  std::string outcome = "days=" + std::to_string(std::lround(end - rtl::Now())) +
                        " since=" + std::to_string(std::lround(rtl::Now() - validity.inicio)) +
                        "|far=" + AvisoValidade(file, end, end - 31) +
                        "|near=" + AvisoValidade(file, end, end - 29) + "|";
  try {
    AvisoValidade(file, end, end + 0.001);
  } catch (const std::exception& error) {
    outcome += std::string(error.what()) + "|";
  }
  try {
    FimDaValidade(file, "senha-errada");
  } catch (const std::exception& error) {
    outcome += std::string(error.what());
  }
  EXPECT_EQ("days=365 since=400|far=|near=NFC-e: o certificado '" + file + "' vence em " + day +
                "|NFC-e: the " + "certificate '" + file +
                "' (CAIXAFISCAL.DSARQCERTIF) expired on " + day +
                ": the register cannot sign its notes|Certificate file '" + file +
                "' is not a PKCS#12 certificate that the register's password "
                "(CAIXAFISCAL.DSSENHACERTIF, ****) opens",
            outcome);
}

// The installation's technical contact goes in every note, valid against the schema (the
// note's own check), with the CSRT hash of the example the tax authorities publish.
TEST_F(NfceWebServiceTest, TheInstallationsTechnicalContactGoesInTheNoteWithItsCsrtHash) {
  SetRegister("offline");
  std::ofstream(VyrFiscal::Nfce::ArquivoRespTecnico())
      << "CNPJ=11.444.777/0001-61\nxContato=FULANO DE TAL\nemail=dev@example.com\n"
         "fone=(11) 4004-0000\nidCSRT=1\nCSRT=G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO\n";
  const auto doc =
      VyrFiscal::PreparaNfceDaVenda(conn_, Request("0000000001", "123"), Sale("0000000001", true));
  const std::string note = ReadFile(doc.arquivoXml);
  EXPECT_EQ(
      "<CNPJ>11444777000161</CNPJ><xContato>FULANO DE TAL</xContato><email>dev@example.com</"
      "email><fone>1140040000</fone><idCSRT>01</idCSRT><hashCSRT>" +
          VyrFiscal::Nfce::HashCsrt("G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO", doc.chave) +
          "</hashCSRT>|aWv6LeEM4X6u4+qBI2OYZ8grigw=",
      Between(note, "<infRespTec>", "</infRespTec>") + "|" +
          VyrFiscal::Nfce::HashCsrt("G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO",
                                    "41180678393592000146558900000006041028190697"));
}

// Each answer of the authoriser at a closing, through the real client: the note ends authorised
// (at once, or by the one query that follows a send without answer), refused, or issued again
// in contingency under the same number with the hashCSRT of its new key, saying whether it
// went out. The authority then refuses that contingency note 539 naming the first key, which
// the background settles by taking the first note back, authorised, with its nfeProc.
TEST_F(NfceWebServiceTest, EachAnswerAtAClosingEndsAuthorisedRefusedOrInContingency) {
  SetRegister("");
  store_.Exec("UPDATE CAIXAFISCAL SET DSURLWSNFCE = ?, DSARQCADEIAWS = ?, QTSEGWSNFCE = 2",
              {standIn_.Url(), standIn_.CaBundle()});
  std::ofstream(VyrFiscal::Nfce::ArquivoRespTecnico())
      << "CNPJ=11444777000161\nxContato=FULANO DE TAL\nemail=dev@example.com\n"
         "fone=1140040000\nidCSRT=1\nCSRT=G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO\n";
  struct Case {
    const char *name, *batches, *queries;
  };
  const Case cases[] = {{"100", "100", ""},
                        {"reset", "reset", ""},
                        {"500", "500", ""},
                        {"slow", "slow", ""},
                        {"778", "778", ""},
                        {"108", "108", ""},
                        {"unanswered", "reset", "reset"}};
  std::string state;
  int sale = 0;
  for (const Case& c : cases) {
    store_.Exec("DELETE FROM NFCECONTING");
    standIn_.AnswerBatches(c.batches);
    standIn_.AnswerQueries(c.queries);
    const std::string number = std::to_string(++sale);
    const auto doc = Emit("000000000" + number, "12" + number);
    const auto row = store_.Query(
        "SELECT IDTPEMISNFCE, IDSITUNFCE, COALESCE(CDCHAVEANTNFCE, '-'), "
        "COALESCE((SELECT DSMOTIVOCONTING FROM NFCECONTING), '-') FROM NFCEVENDA WHERE "
        "NRSEQVENDA = ?",
        {"000000000" + number})[0];
    const std::string note = ReadFile(doc.arquivoXml);
    state += std::string(c.name) + ": " + row[0] + " " + row[1] +
             " contingencia=" + std::to_string(doc.contingencia) + " hash=" +
             std::to_string(
                 Between(note, "<hashCSRT>", "</") ==
                 VyrFiscal::Nfce::HashCsrt("G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO", doc.chave)) +
             " | " + (row[3] == "-" ? "-" : row[3].substr(0, row[3].find(':'))) + "\n";
    if (row[2] != "-") state = Replaced(state, row[2], "FIRST");
    state = Replaced(state, doc.chave, "KEY");
  }
  standIn_.AnswerBatches("100");
  standIn_.AnswerQueries("");
  const auto before = store_.Query(
      "SELECT CDCHAVENFCE, CDCHAVEANTNFCE FROM NFCEVENDA WHERE "
      "NRSEQVENDA = '0000000007'")[0];
  std::string lines;
  // The second pass has nothing to say: each note's outcome is told once.
  for (const char* pass : {"", "again: "}) {
    for (const std::string& line :
         VyrFiscal::TransmiteNotasPendentes(conn_, "0001", "001").linhas) {
      if (line.find(" da venda ") == std::string::npos) continue;  // the period's, the deadline's
      lines += pass + line.substr(0, std::min(line.find(": protocolo"), line.find(" (uma"))) + "\n";
    }
  }
  const auto after = store_.Query(
      "SELECT CDCHAVENFCE, IDTPEMISNFCE, IDSITUNFCE FROM NFCEVENDA WHERE NRSEQVENDA = "
      "'0000000007'")[0];
  const bool nfe_proc = std::filesystem::exists(VyrFiscal::ArquivoNfeProc(
      VyrFiscal::Nfce::NotaDaVenda(conn_, "0001", "001", "0000000007").arquivoXml));
  std::string outcome = state + lines + after[1] + " " + after[2] +
                        " nfeProc=" + std::to_string(nfe_proc) + "\n" + standIn_.Calls();
  outcome = Replaced(Replaced(outcome, before[1], "FIRST"), before[0], "CONTINGENCY");
  for (int n = 1; n <= 6; ++n) {
    const std::string key = store_.Scalar("SELECT CDCHAVENFCE FROM NFCEVENDA WHERE NRSEQVENDA = ?",
                                          {"000000000" + std::to_string(n)});
    outcome = Replaced(outcome, key, "K" + std::to_string(n));
  }
  EXPECT_EQ(
      "100: 1 authorised contingencia=0 hash=1 | -\n"
      "reset: 1 authorised contingencia=0 hash=1 | -\n"
      "500: 1 authorised contingencia=0 hash=1 | -\n"
      "slow: 1 authorised contingencia=0 hash=1 | -\n"
      "778: 1 rejected contingencia=1 hash=1 | -\n"
      "108: 9 pending contingencia=1 hash=1 | a NFC-e FIRST não chegou ao autorizador\n"
      "unanswered: 9 pending contingencia=1 hash=1 | a NFC-e FIRST foi enviada ao autorizador e "
      "ficou sem resposta\n"
      "NFC-e K6 da venda 0000000006 autorizada\n"
      "NFC-e FIRST da venda 0000000007 autorizada\n"
      "NFC-e K5 da venda 0000000005 rejeitada pelo autorizador: 778 stand-in 778; o numero 125 "
      "da serie 1 fica com esta venda\n"
      "1 authorised nfeProc=1\n"
      "NFeAutorizacao4 100\n"
      "NFeAutorizacao4 100 reset\nNFeConsultaProtocolo4 100\n"
      "NFeAutorizacao4 100 500\nNFeConsultaProtocolo4 100\n"
      "NFeConsultaProtocolo4 100\nNFeAutorizacao4 slow\n"
      "NFeAutorizacao4 778\n"
      "NFeAutorizacao4 108\n"
      "NFeAutorizacao4 100 reset\nNFeConsultaProtocolo4 100 reset\n"
      "NFeStatusServico4 107\n"
      "NFeAutorizacao4 100\n"
      "NFeAutorizacao4 539\nNFeConsultaProtocolo4 100\n",
      outcome);
}

}  // namespace
