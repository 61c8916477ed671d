// Each answer of the authority, as a store meets it: `hostagent run` closes one delivery order
// of an NFC-e register against the HTTPS stand-in of the state's services, then `hostagent
// status` says where the sale stands. Every sale leaves with a printed DANFE (authorised or in
// contingency) unless the authority refused the note, and each outcome has its log line and its
// status entry.

#include <gtest/gtest.h>

#include "hostagent/store_fixture.h"
#include "packages/fiscal/nfce_test_support.h"
#include "support/sefaz_stand_in.h"
#include "support/temp_store.h"
#include "support/test_certificate.h"

namespace hosttest {
namespace {

// The part of the first line holding `has` from `has` on, cut at `until`; "-" when none.
std::string Part(const std::string& text, const std::string& has, const std::string& until) {
  const size_t at = text.find(has);
  if (at == std::string::npos) return "-";
  const std::string line = text.substr(at, text.find('\n', at) - at);
  std::string part = line.substr(0, line.find(until));
  if (!part.empty() && part.back() == '\r') part.pop_back();
  return part;
}

// `text` with the note's key `key` (when it is one) as `name`.
std::string Keyed(const std::string& text, const std::string& key, const std::string& name) {
  return key.size() == 44 ? Replaced(text, key, name) : text;
}

// How the stand-in answers: the batches, the queries of a key, the service status; or a port
// where nothing listens.
struct Answers {
  const char* batches;
  const char* queries;
  const char* status;
  bool closed = false;
};

struct Case {
  const char* name;
  Answers first;
  bool second_run;  // then a run with the authority answering normally
  // Before that run: the time that passed, as the store would show it.
  const char* meanwhile = "";
};

class AuthorityAnswersTest : public ::testing::Test {
 protected:
  // A demo store with one delivery order on an NFC-e register printing to cupom.prn, its notes
  // going to the stand-in with a 2 s bound on each call.
  std::string MakeStore(const std::string& name, const std::string& url) {
    const std::string dir = scratch_.Dir() + "/" + name;
    MakeDemoStore(dir, {"--emissao", "FNC", "--pedidos", "1", "--porta", "file:cupom.prn"},
                  scratch_.Dir());
    PointAtAuthority(dir, certificate_, url, standIn_.CaBundle(), 2);
    return dir;
  }

  void Answer(const Answers& a) {
    standIn_.AnswerBatches(a.batches);
    standIn_.AnswerQueries(a.queries);
    standIn_.AnswerStatus(a.status);
  }

  // A run until idle, then where the sale stands.
  std::string RunAndObserve(const std::string& dir) {
    const Result run = RunUntilIdle(dir, scratch_.Dir());
    return "exit " + std::to_string(run.exit_code) + ", " + Observe(dir);
  }

  // Where the sale stands: its note, its pending document, the DANFE printed, the log's line
  // about the note and the status's entries, with the note's key as KEY and the key it replaced
  // or took back as OTHER.
  static std::string Observe(const std::string& dir) {
    const std::string db = StoreOf(dir);
    const std::string printed = ReadFile(dir + "/cupom.prn");
    const auto count = [&printed](const std::string& mark) {
      size_t n = 0;
      for (size_t at = printed.find(mark); at != std::string::npos; at = printed.find(mark, at + 1))
        ++n;
      return std::to_string(n);
    };
    const std::string danfe = "em contingencia x" + count("Via Consumidor") + ", autorizado x" +
                              count("Protocolo de Autoriza");
    const std::string log = LogOf(dir);
    std::string line = "-";
    for (const char* mark :
         {"refeita com o numero", " autorizada: protocolo", "rejeitada pelo autorizador",
          "ficou sem resposta", "não chegou ao autorizador", "Chave de acesso"}) {
      if (line == "-") line = Part(log, mark, ";");
    }
    line = line.substr(0, line.find(" https://"));  // the stand-in's port
    line = line.substr(0, line.find(" protocolo "));
    const Result status = RunHost({"status", "--dir", dir}, dir);
    std::string state =
        Scalar(db, "SELECT IDTPEMISNFCE || ' ' || IDSITUNFCE || ' n' || NRNFCE FROM NFCEVENDA") +
        ", VENDA " + Scalar(db, "SELECT COALESCE(IDDOCPENDVENDA, 'NULL') FROM VENDA") + ", DANFE " +
        danfe + "\n  log: " + line +
        "\n  status: " + Part(status.out, "Notas em contingencia nao transmitidas", "\n") + " / " +
        Part(status.out, "Notas recusadas pelo autorizador", "\n") + " / " +
        Part(status.out, "    enviada", " (") + Part(status.out, "    o numero", ":") + "\n";
    state = Keyed(state, Scalar(db, "SELECT CDCHAVEANTNFCE FROM NFCEVENDA"), "OTHER");
    return Keyed(state, Scalar(db, "SELECT CDCHAVENFCE FROM NFCEVENDA"), "KEY");
  }

  vyrtest::TempStore scratch_;
  const vyrtest::TestCertificate certificate_ =
      vyrtest::MakeTestCertificate(scratch_.Dir(), "a1", "senha-a1", "11222333000181", 400);
  vyrtest::SefazStandIn standIn_{scratch_.Dir(), certificate_.ca_pem_path, nfcetest::Schemas()};
};

TEST_F(AuthorityAnswersTest, EachAnswerEndsWithItsDocumentItsLogLineAndItsStatusEntry) {
  const Case cases[] = {
      {"authorised", {"100", "", "107"}, false},
      {"paralysed", {"108", "", "108"}, false},
      {"no connection", {"100", "", "107", true}, false},
      {"reset after authorising", {"reset", "", "107"}, false},
      {"HTTP 500 after authorising", {"500", "", "107"}, false},
      {"long delay", {"slow", "", "107"}, false},
      {"content rejection",
       {"778", "", "107"},
       true,
       "UPDATE NFCEVENDA SET DTHRULTENVNFCE = datetime(DTHRULTENVNFCE, '-61 minutes')"},
      {"539 with a different key", {"reset", "reset", "107"}, true},
  };
  const std::string closed = "https://127.0.0.1:" + std::to_string(vyrtest::ClosedPort());
  std::string outcome;
  int n = 0;
  for (const Case& c : cases) {
    const std::string dir =
        MakeStore("loja" + std::to_string(++n), c.first.closed ? closed : standIn_.Url());
    standIn_.Forget();
    Answer(c.first);
    outcome += std::string(c.name) + ": " + RunAndObserve(dir);
    if (!c.second_run) continue;
    if (*c.meanwhile != '\0') Exec(StoreOf(dir), c.meanwhile);
    Answer({"100", "", "107"});
    outcome += "  then: " + RunAndObserve(dir);
  }
  const std::string none =
      "Notas em contingencia nao transmitidas: 0 / Notas recusadas pelo "
      "autorizador: 0 / --\n";
  const std::string waiting =
      "Notas em contingencia nao transmitidas: 1 / Notas recusadas pelo autorizador: 0 /     "
      "enviada automaticamente quando o autorizador responder-\n";
  const std::string authorised =
      "exit 0, 1 authorised n1, VENDA NULL, DANFE em contingencia x0, autorizado x1\n"
      "  log: Chave de acesso: KEY\n  status: " +
      none;
  const std::string in_contingency =
      "exit 0, 9 pending n1, VENDA CONTING, DANFE em contingencia x1, autorizado x0\n  log: ";
  EXPECT_EQ(
      "authorised: " + authorised + "paralysed: " + in_contingency +
          "não chegou ao autorizador: 108 stand-in 108\n  status: " + waiting + "no connection: " +
          in_contingency + "não chegou ao autorizador: NFC-e authoriser\n  status: " + waiting +
          "reset after authorising: " + authorised + "HTTP 500 after authorising: " + authorised +
          "long delay: " + authorised +
          "content rejection: exit 0, 1 rejected n1, VENDA CONTING, DANFE em contingencia x0, "
          "autorizado x0\n"
          "  log: rejeitada pelo autorizador: 778 stand-in 778\n"
          "  status: Notas em contingencia nao transmitidas: 0 / Notas recusadas pelo "
          "autorizador: 1 / -    o numero 1 da serie 1 fica com esta venda (uma rejeicao nao "
          "consome o numero)\n"
          "  then: " +
          authorised.substr(0, authorised.find("  log:")) +
          "  log: refeita com o numero 1 da serie 1: nova chave KEY\n  status: " + none +
          "539 with a different key: exit 0, 9 unknown n1, VENDA CONTING, DANFE em "
          "contingencia x1, autorizado x0\n"
          "  log: ficou sem resposta: NFC-e authoriser\n"
          "  status: Notas em contingencia nao transmitidas: 1 / Notas recusadas pelo "
          "autorizador: 0 /     enviada sem resposta: o autorizador e consultado pela chave "
          "na proxima passagem, antes de qualquer novo envio-\n"
          "  then: exit 0, 1 authorised n1, VENDA NULL, DANFE em contingencia x1, autorizado "
          "x0\n"
          "  log:  autorizada:\n  status: " +
          none,
      outcome);
}

}  // namespace
}  // namespace hosttest
