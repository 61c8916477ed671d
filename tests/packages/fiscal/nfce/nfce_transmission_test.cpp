// Sending NFC-e notes to the (simulated) authoriser: authorisation, notes issued in
// contingency sent first by the next emission, a send without answer settled by a status query
// instead of a second send, and the answers that leave a note unauthorised.

#include <filesystem>

#include "fiscal/nfce/contingency_store.h"
#include "fiscal/nfce/corrected_note.h"
#include "fiscal/nfce/rejected_notes.h"
#include "fiscal/nfce/schema_check.h"
#include "packages/fiscal/nfce_test_support.h"
#include "support/authoriser_fake.h"
#include "support/seams.h"

namespace {

using namespace nfcetest;
using VyrFiscal::Nfce::DefineModoAutorizadorSimulado;

class NfceTransmissionTest : public NfceTest {
 protected:
  // Every note: sale|tpEmis|status|sends|has protocol, and the authoriser's calls with the keys
  // replaced by the sales' numbers.
  std::string State() {
    std::string state;
    std::string calls = Calls();
    for (const auto& row :
         store_.Query("SELECT NRSEQVENDA, CDCHAVENFCE, IDTPEMISNFCE, IDSITUNFCE, QTTENTENVNFCE, "
                      "COALESCE(LENGTH(NRPROTNFCE), 0) FROM NFCEVENDA ORDER BY NRSEQVENDA")) {
      state += row[0] + "|" + row[2] + "|" + row[3] + "|" + row[4] + "|" + row[5] + ";";
      for (size_t at = calls.find(row[1]); at != std::string::npos; at = calls.find(row[1])) {
        calls.replace(at, row[1].size(), row[0]);
      }
    }
    return state + "\n" + calls;
  }

  // The register's background transmission, as the worker calls it once per pass.
  std::vector<std::string> Background() {
    return VyrFiscal::TransmiteNotasPendentes(conn_, "0001", "001").linhas;
  }
  static std::string Join(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) joined += line + ";";
    return joined;
  }

  // Why each note that has a reason was left as it is: "sale: reason;".
  std::string Reasons() {
    std::string reasons;
    for (const auto& row : store_.Query("SELECT NRSEQVENDA, DSMOTIVONFCE FROM NFCEVENDA WHERE "
                                        "DSMOTIVONFCE IS NOT NULL ORDER BY NRSEQVENDA")) {
      reasons += row[0] + ": " + row[1] + ";";
    }
    return reasons;
  }
};

TEST_F(NfceTransmissionTest, AnAuthorisedNoteKeepsItsProtocolForTheReceipt) {
  const auto doc = Emit("0000000001", "123");
  const auto receipt = VyrFiscal::NfceImpressao(conn_, doc.chave);
  EXPECT_EQ("0000000001|1|authorised|1|15;\nenviNFe 0000000001 100\n", State());
  EXPECT_EQ("contingencia=0|found=1|123/1|2026-03-10T19:42:05-03:00|protocol=" +
                store_.Scalar("SELECT NRPROTNFCE FROM NFCEVENDA") +
                "|https://www.homologacao.nfce.fazenda.sp.gov.br/consulta|receipt contingency=0",
            "contingencia=" + std::to_string(doc.contingencia) + "|found=" +
                std::to_string(receipt.encontrada) + "|" + receipt.nNF + "/" + receipt.serie + "|" +
                receipt.dhEmi + "|protocol=" + receipt.protocolo + "|" + receipt.urlConsulta +
                "|receipt contingency=" + std::to_string(receipt.contingencia));
  EXPECT_EQ(0u,
            receipt.qrCode.find("https://nfce.sefaz.example/qrcode?p=" + doc.chave + "|2|2|1|"));
}

TEST_F(NfceTransmissionTest, ContingencyNotesWaitForTheBackgroundWithTheSameSignedXml) {
  SetRegister("offline");
  const auto offline = Emit("0000000001", "123");
  const auto receipt = VyrFiscal::NfceImpressao(conn_, offline.chave);
  const std::string pending = State();
  SetRegister("simulado");
  const auto online = Emit("0000000002", "124");
  Background();
  const std::string recorded =
      ReadFile(VyrFiscal::Nfce::PastaAutorizadorSimulado() + offline.chave + ".xml");
  EXPECT_EQ(
      "contingencia=1,receipt=1\n0000000001|9|pending|0|0;\n\n"
      "0000000001|9|authorised|1|15;0000000002|1|authorised|1|15;\n"
      "enviNFe 0000000002 100\nconsStatServ 35 107\nenviNFe 0000000001 100\n"
      "same digest=1|then contingencia=0",
      "contingencia=" + std::to_string(offline.contingencia) + ",receipt=" +
          std::to_string(receipt.contingencia) + "\n" + pending + "\n" + State() + "same digest=" +
          std::to_string(Between(recorded, "<digVal>", "</") ==
                         Between(ReadFile(offline.arquivoXml), "<DigestValue>", "</")) +
          "|then contingencia=" + std::to_string(online.contingencia));
}

// The authoriser took the note and its answer never came: the closing asks about the key once,
// and its authorisation is recorded without a second send.
TEST_F(NfceTransmissionTest, AnUnansweredSendIsSettledByAStatusQueryNotASecondSend) {
  DefineModoAutorizadorSimulado(VyrFiscal::Nfce::kModoRegistraEExpira);
  const auto unanswered = Emit("0000000001", "123");
  const auto again =
      VyrFiscal::PreparaNfceDaVenda(conn_, Request("0000000001", "125"), Sale("0000000001", true));
  EXPECT_EQ(
      "contingencia=0|same key=1\n"
      "0000000001|1|authorised|1|15;\nenviNFe 0000000001 -\nconsSitNFe 0000000001 100\n",
      "contingencia=" + std::to_string(unanswered.contingencia) +
          "|same key=" + std::to_string(again.chave == unanswered.chave) + "\n" + State());
}

// Out of reach: the note that never left is issued again in contingency (same number, new
// key), the register stays in contingency, and the background sends its notes once the
// authoriser answers, with no new sale.
TEST_F(NfceTransmissionTest, AnAuthoriserOutOfReachGetsTheNoteInContingencyUntilItAnswers) {
  vyrtest::ScopedClock clock(rtl::EncodeDateTime({2026, 3, 10, 19, 42, 6, 0}));
  DefineModoAutorizadorSimulado(VyrFiscal::Nfce::kModoOffline);
  const auto doc = Emit("0000000001", "123");
  const std::string xml = ReadFile(doc.arquivoXml);
  const auto replaced = store_.Query("SELECT CDCHAVEANTNFCE FROM NFCEVENDA")[0][0];
  const std::string issued = State();
  const auto next = Emit("0000000002", "124");        // in the contingency period: not tried
  const std::string background = Join(Background());  // still down
  DefineModoAutorizadorSimulado(VyrFiscal::Nfce::kModoAutoriza);
  const std::string early = Join(Background());  // the status waits a minute
  clock.Set(rtl::EncodeDateTime({2026, 3, 10, 19, 43, 7, 0}));
  std::string sent = Join(Background());
  for (const auto& row : store_.Query("SELECT NRPROTNFCE FROM NFCEVENDA")) {
    sent.replace(sent.find(row[0]), row[0].size(), "P");
  }
  EXPECT_EQ(
      "contingencia=1|next=1|replaced=" + replaced.substr(0, 34) +
          "1|same nNF=1|new key=" + doc.chave.substr(0, 34) +
          "9|dhCont=2026-03-10T19:42:05-03:00|xJust=SEM COMUNICACAO "
          "COM O AUTORIZADOR - NFC-E EMITIDA EM CONTINGENCIA OFFLINE|schema=\n"
          "0000000001|9|pending|1|0;\n"
          "background=NFC-e: caixa 0001/001 em contingência (notas tpEmis 9) desde "
          "2026-03-10 19:42:06 até 2026-03-10 19:57:06: a NFC-e " +
          replaced + " não chegou ao autorizador: simulated authoriser is offline (" +
          VyrFiscal::Nfce::PastaAutorizadorSimulado() + "modo);|early=|sent=NFC-e " + doc.chave +
          " da venda 0000000001 autorizada: protocolo P;NFC-e " + next.chave +
          " da venda 0000000002 autorizada: protocolo P;\n"
          "0000000001|9|authorised|2|15;0000000002|9|authorised|1|15;\n"
          "consStatServ 35 107\nenviNFe 0000000001 100\nenviNFe 0000000002 100\n",
      "contingencia=" + std::to_string(doc.contingencia) +
          "|next=" + std::to_string(next.contingencia) + "|replaced=" + replaced.substr(0, 35) +
          "|same nNF=" + std::to_string(replaced.substr(25, 9) == doc.chave.substr(25, 9)) +
          "|new key=" + doc.chave.substr(0, 35) + "|dhCont=" + Between(xml, "<dhCont>", "</") +
          "|xJust=" + Between(xml, "<xJust>", "</") +
          "|schema=" + VyrFiscal::Nfce::ErrosDeEsquema(xml, nfcetest::Schemas() + "nfe_v4.00.xsd") +
          "\n" + issued + "background=" + background + "|early=" + early + "|sent=" + sent + "\n" +
          State());
}

// Twenty hours after its emission a note still unsent is named in the log, once an hour.
TEST_F(NfceTransmissionTest, ANoteUnsentTwentyHoursAfterItsEmissionIsNamedOnceAnHour) {
  vyrtest::ScopedClock clock(rtl::EncodeDateTime({2026, 3, 10, 19, 42, 5, 0}));
  SetRegister("offline");
  const auto doc = Emit("0000000001", "123");
  std::string lines;
  for (const auto& moment : {rtl::EncodeDateTime({2026, 3, 11, 15, 42, 4, 0}),
                             rtl::EncodeDateTime({2026, 3, 11, 15, 42, 5, 0}),
                             rtl::EncodeDateTime({2026, 3, 11, 16, 12, 5, 0}),
                             rtl::EncodeDateTime({2026, 3, 11, 16, 42, 5, 0})}) {
    clock.Set(moment);
    lines += std::to_string(Background().size()) + " ";
  }
  clock.Set(rtl::EncodeDateTime({2026, 3, 11, 17, 42, 5, 0}));
  EXPECT_EQ("0 1 0 1 NFC-e " + doc.chave +
                " emitida em 2026-03-10T19:42:05-03:00 ainda não autorizada (pending): o prazo de "
                "24 horas para transmiti-la está perto do fim;",
            lines + Join(Background()));
}

TEST_F(NfceTransmissionTest, ANoteTheAuthoriserNeverGotIsSentAgainAfterTheQuery) {
  SetRegister("offline");
  Emit("0000000001", "123");
  // A send cut off before the note left: the store says unknown, the authoriser has nothing.
  store_.Exec("UPDATE NFCEVENDA SET IDSITUNFCE = 'unknown'");
  SetRegister("simulado");
  Background();
  EXPECT_EQ(
      "0000000001|9|authorised|1|15;\n"
      "consStatServ 35 107\nconsSitNFe 0000000001 217\nenviNFe 0000000001 100\n",
      State());
}

TEST_F(NfceTransmissionTest, ARejectedNoteKeepsTheReasonAndIsNotSentAgain) {
  vyrtest::FakeAuthoriser authoriser;  // in place of the web-service client
  SetRegister("");
  authoriser.batchAnswer = "778 Rejeicao: Informado NCM inexistente";
  const auto rejected = Emit("0000000001", "123");
  authoriser.batchAnswer = "100 Autorizado o uso da NF-e";
  Emit("0000000002", "124");
  EXPECT_EQ(
      "contingencia=1\n0000000001|1|rejected|1|0;0000000002|1|authorised|1|15;\n\n"
      "0000000001: 778 Rejeicao: Informado NCM inexistente;\nenviNFe 778;enviNFe 100;",
      "contingencia=" + std::to_string(rejected.contingencia) + "\n" + State() + "\n" + Reasons() +
          "\n" + authoriser.Calls());
}

// 204: this key is known, and its status query tells the outcome; 539: the number is known
// under another key, which is no note of this sale's: the refusal stands.
TEST_F(NfceTransmissionTest, ADuplicateAnswerIsSettledByTheStatusQueryOfTheKey) {
  vyrtest::FakeAuthoriser authoriser;  // in place of the web-service client
  SetRegister("");
  authoriser.batchAnswer = "204 Rejeicao: Duplicidade de NF-e [nProt:135260000000001]";
  authoriser.queryAnswer = "100 Autorizado o uso da NF-e";
  Emit("0000000001", "123");
  // A key that is not the one this note replaced: another note holds the number.
  authoriser.batchAnswer =
      "539 Rejeicao: Duplicidade de NF-e com diferenca na Chave de Acesso "
      "[chNFe:35260311222333000181650010000001241000000019]";
  authoriser.queryAnswer = "100 Autorizado o uso da NF-e";
  const auto other = Emit("0000000002", "124");
  EXPECT_EQ(
      "contingencia=1\n0000000001|1|authorised|1|15;0000000002|1|rejected|1|0;\n\n"
      "0000000002: 539 Rejeicao: Duplicidade de NF-e com diferenca na Chave de Acesso "
      "[chNFe:35260311222333000181650010000001241000000019];\n"
      "enviNFe 204;consSitNFe 100;enviNFe 539;",
      "contingencia=" + std::to_string(other.contingencia) + "\n" + State() + "\n" + Reasons() +
          "\n" + authoriser.Calls());
}

// A mode the package does not know names no authoriser: the simulator's protocols must not
// pass for the tax authority's, and the notes wait in contingency.
TEST_F(NfceTransmissionTest, ARegisterThatNamesNoAuthoriserIssuesInContingencyAndSaysWhy) {
  SetRegister("sefaz-xx");
  const auto doc = Emit("0000000001", "123");
  EXPECT_EQ(
      "contingencia=1\n0000000001|9|pending|0|0;\n\n"
      "0000000001: issued in contingency: CAIXAFISCAL.IDMODOAUTORIZ of register 0001/001 is "
      "'sefaz-xx', which names no authoriser;",
      "contingencia=" + std::to_string(doc.contingencia) + "\n" + State() + "\n" + Reasons());
}

TEST_F(NfceTransmissionTest, APendingNoteWhoseXmlFileIsGoneWaitsAndTheOthersGo) {
  SetRegister("offline");
  const auto lost = Emit("0000000001", "123");
  std::filesystem::remove(lost.arquivoXml);
  SetRegister("simulado");
  Emit("0000000002", "124");
  Background();
  EXPECT_EQ(
      "0000000001|9|pending|0|0;0000000002|1|authorised|1|15;\nenviNFe 0000000002 100\n"
      "consStatServ 35 107\n"
      "0000000001: NFC-e XML file '" +
          lost.arquivoXml + "' cannot be read;",
      State() + Reasons());
}

// One background pass: at most five notes, oldest first; a refused connection ends the pass
// (the next note would meet it too) and the status waits its minute before the next try.
TEST_F(NfceTransmissionTest, ABackgroundPassSendsFiveNotesAndStopsAtARefusedConnection) {
  vyrtest::ScopedClock clock(rtl::EncodeDateTime({2026, 3, 10, 19, 42, 6, 0}));
  SetRegister("offline");
  for (int n = 1; n <= 6; ++n) Emit("000000000" + std::to_string(n), std::to_string(120 + n));
  vyrtest::FakeAuthoriser authoriser;
  SetRegister("");
  authoriser.batchAnswer = "refused";
  Background();
  const std::string refused = authoriser.Calls() + "|" + Join(Background()) + "|";
  authoriser.batchAnswer = "100 Autorizado o uso da NF-e";
  clock.Set(rtl::EncodeDateTime({2026, 3, 10, 19, 43, 6, 0}));
  Background();
  EXPECT_EQ(
      "consStatServ 107;enviNFe refused;||0000000001|9|authorised|2|15;"
      "0000000002|9|authorised|1|15;0000000003|9|authorised|1|15;0000000004|9|authorised|1|15;"
      "0000000005|9|authorised|1|15;0000000006|9|pending|0|0;\n",
      refused + State().substr(0, State().find('\n') + 1));
}

// The period keeps the start of its first failure while later ones move its end; it lasts up to
// its last instant, exclusive; its end is announced once.
TEST_F(NfceTransmissionTest, AContingencyKeepsItsStartEndsAtItsLastInstantAndIsAnnouncedOnce) {
  using VyrFiscal::Nfce::EntraContingencia;
  using VyrFiscal::Nfce::LeContingencia;
  const rtl::TDateTime start = rtl::EncodeDateTime({2026, 3, 10, 19, 42, 6, 0});
  const rtl::TDateTime second = 1.0 / (24 * 60 * 60);
  vyrtest::ScopedClock clock(start);
  SetRegister("offline");
  Emit("0000000001", "123");
  EntraContingencia(conn_, "0001", "001", start, "first");
  EntraContingencia(conn_, "0001", "001", start + 300 * second, "later");
  const auto period = LeContingencia(conn_, "0001", "001");
  const rtl::TDateTime end = start + 1200 * second;
  std::string lines = Join(Background()) + "|";
  for (const rtl::TDateTime at : {end - second, end, end + second}) {
    clock.Set(at);
    lines += Join(Background()) + "|";
  }
  EXPECT_EQ(
      "start=2026-03-10 19:42:06 end=2026-03-10 20:02:06 in force=1,0\n"
      "NFC-e: caixa 0001/001 em contingência (notas tpEmis 9) desde 2026-03-10 19:42:06 até "
      "2026-03-10 20:02:06: later;||NFC-e: caixa 0001/001 saiu da contingência em 2026-03-10 "
      "20:02:06; a próxima nota vai ao autorizador;||",
      "start=" + rtl::FormatSqlDateTime(period.inicio) +
          " end=" + rtl::FormatSqlDateTime(period.fim) +
          " in force=" + std::to_string(period.Vigente(end - second)) + "," +
          std::to_string(period.Vigente(end)) + "\n" + lines);
}

// The note states the branch's time, whatever the host's zone, and its key's month is the
// note's: at 01:00 UTC on the 1st, São Paulo is still in the previous month.
TEST_F(NfceTransmissionTest, ANoteWithoutAGivenTimeTakesTheBranchsClockForItsDateAndKey) {
  const vyrtest::ScopedTimeZone utc("UTC0");
  vyrtest::ScopedClock clock(rtl::EncodeDateTime({2026, 4, 1, 1, 0, 0, 0}));
  SetRegister("offline");
  auto request = Request("0000000001", "123");
  request.dhEmi.clear();
  const auto doc = VyrFiscal::PreparaNfceDaVenda(conn_, request, Sale("0000000001", true));
  EXPECT_EQ("2026-03-31T22:00:00-03:00|2603",
            Between(ReadFile(doc.arquivoXml), "<dhEmi>", "</") + "|" + doc.chave.substr(2, 4));
}

// A rejected note is made again an hour after its last send, the oldest first, one per pass; one
// that cannot be made counts as a send, so its next try comes an hour later.
TEST_F(NfceTransmissionTest, ARejectedNoteIsTriedAgainAnHourAfterEachAttemptOldestFirst) {
  const rtl::TDateTime sent = rtl::EncodeDateTime({2026, 3, 10, 19, 0, 0, 0});
  vyrtest::ScopedClock clock(sent);
  vyrtest::FakeAuthoriser authoriser;  // in place of the web-service client
  SetRegister("");
  authoriser.batchAnswer = "778 Rejeicao: Informado NCM inexistente";
  Emit("0000000001", "123");
  Emit("0000000002", "124");
  std::string tries;
  for (const int minutes : {59, 61, 62, 63, 120, 122}) {
    clock.Set(sent + minutes / 1440.0);
    std::vector<std::string> lines;
    VyrFiscal::Nfce::RefazNotaRejeitada(conn_, "0001", "001", lines);
    tries += std::to_string(minutes) + ":";
    for (const std::string& line : lines) {
      tries += line.substr(line.find(" da venda ") + 10, 10) +
               (line.find(" nao pode ser refeita: ") != std::string::npos ? " not made" : " made");
    }
    tries += " ";
  }
  EXPECT_EQ("59: 61:0000000001 not made 62:0000000002 not made 63: 120: 122:0000000001 not made ",
            tries);
}

// What comes after a refusal depends on what it did to the number: a rejection leaves it to the
// sale's corrected note, made again, a denial consumed it, a 539 naming another note means two
// notes were given it.
TEST(NfceRefusal, TheNextStepFollowsWhatTheRefusalDidToTheNumber) {
  const std::string key = "35260311222333000181650010000001241000000019";
  std::string steps;
  for (const std::string& motivo : std::vector<std::string>{
           "778 Rejeicao: Informado NCM inexistente", "", "110 Uso Denegado",
           "301 Uso Denegado: Irregularidade fiscal do emitente",
           "302 Uso Denegado: Irregularidade fiscal",
           "303 Uso Denegado: Destinatario nao habilitado",
           "539 Rejeicao: Duplicidade de NF-e, com diferenca na Chave de Acesso [chNFe:" + key +
               "]",
           "204 Rejeicao: Duplicidade de NF-e [chNFe: " + key + "]",
           "539 Rejeicao: Duplicidade de NF-e [chNFe:" + key.substr(1) + "]"}) {
    const std::string step = VyrFiscal::Nfce::ProximoPassoRejeicao("124", "1", motivo);
    steps += motivo.substr(0, 3) + " " +
             std::to_string(VyrFiscal::Nfce::RejeicaoRefazivel(motivo)) + " " +
             step.substr(0, step.find(':')) + "\n";
  }
  const std::string number = " o numero 124 da serie 1 ";
  const std::string denied = number + "foi consumido pela denegacao (nao inutilize)\n";
  EXPECT_EQ("778 1" + number + "fica com esta venda (uma rejeicao nao consome o numero)\n" + " 0" +
                number + "fica com esta venda (uma rejeicao nao consome o numero)\n" + "110 0" +
                denied + "301 0" + denied + "302 0" + denied + "303 0" + denied + "539 0" + number +
                "ja pertence a nota " + key + " no autorizador\n" + "204 0" + number +
                "ja pertence a nota " + key + " no autorizador\n" + "539 0" + number +
                "ja pertence a outra nota no autorizador\n",
            steps);
}

// A query answers about the note only with its authorisation, its denial or 217: any other
// answer leaves its outcome unknown, and the closing then issues it again in contingency.
TEST_F(NfceTransmissionTest, AQueryAnsweredAboutItselfLeavesTheNoteUnknown) {
  vyrtest::FakeAuthoriser authoriser;  // in place of the web-service client
  SetRegister("");
  authoriser.batchAnswer = "204 Rejeicao: Duplicidade de NF-e";
  std::string outcome;
  int sale = 0;
  for (const char* query : {"656 Rejeicao: Consumo Indevido", "302 Uso Denegado"}) {
    store_.Exec("DELETE FROM NFCECONTING");
    authoriser.queryAnswer = query;
    const std::string number = std::to_string(++sale);
    Emit("000000000" + number, "12" + number);
    outcome += std::string(query).substr(0, 3) + ": " +
               store_.Scalar(
                   "SELECT IDTPEMISNFCE || ' ' || IDSITUNFCE FROM NFCEVENDA WHERE NRSEQVENDA = ?",
                   {"000000000" + number}) +
               "\n";
  }
  EXPECT_EQ("656: 9 pending\n302: 1 rejected\n", outcome);
}

}  // namespace
