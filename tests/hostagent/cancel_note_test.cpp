// `hostagent cancel-note` against the HTTPS stand-in of the state's services: a demo store's
// delivery orders are closed into authorised notes by `hostagent run`, then each case asks for
// one sale's cancellation and shows what the operator reads, the sale's situation, the files kept
// beside its note and the calls the authority received.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

#include "hostagent/store_fixture.h"
#include "packages/fiscal/nfce_test_support.h"
#include "support/sefaz_stand_in.h"
#include "support/temp_store.h"
#include "support/test_certificate.h"

namespace hosttest {
namespace {

namespace fs = std::filesystem;

struct Case {
  const char* name;
  const char* venda;
  const char* motivo;
  // Before the call: SQL on the store ("" none); "forget": the stand-in forgets its notes;
  // "unanswered": the store keeps the event as sent, without its answer, and the sale unmarked;
  // "lost": the stand-in registers the event and its answer is lost on the way; "unreachable":
  // the register's address of the authority is a closed port for the call.
  const char* before;
  const char* typed = nullptr;  // the sale as the operator types it, when not as recorded
};

class CancelNoteTest : public ::testing::Test {
 protected:
  // A demo store whose four delivery orders were closed into notes the stand-in authorised.
  void SetUp() override {
    ASSERT_EQ(0, MakeDemoStore(dir_,
                               {"--emissao", "FNC", "--pedidos", "5", "--simples", "--porta",
                                "file:cupom.prn"},
                               scratch_.Dir())
                     .exit_code);
    PointAtAuthority(dir_, certificate_, standIn_.Url(), standIn_.CaBundle(), 2);
    const Result run = RunUntilIdle(dir_, scratch_.Dir());
    ASSERT_EQ(0, run.exit_code) << run.err;
    // The stand-in stamps a fixed time; the store's notes were authorised just now.
    Exec("UPDATE NFCEVENDA SET DSDHRECBTO = strftime('%Y-%m-%dT%H:%M:%SZ', 'now')", {});
  }

  void Exec(const std::string& sql, const vyrtest::SqlArgs& args) const {
    hosttest::Exec(StoreOf(dir_), sql, args);
  }
  std::string Scalar(const std::string& sql, const std::string& venda) const {
    return hosttest::Scalar(StoreOf(dir_), sql, {venda});
  }

  // Whether xmlsec1 finds the event's signature holding against the certificate's authority.
  bool Verifies(const std::string& path) const {
    const std::string command = "xmlsec1 --verify --trusted-pem '" + certificate_.ca_pem_path +
                                "' --id-attr:Id http://www.portalfiscal.inf.br/nfe:infEvento '" +
                                path + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }

  // The files beside the sale's note that hold its cancellation, and what the kept pair says.
  std::string Kept(const std::string& venda) const {
    const std::string xml =
        Scalar("SELECT DSARQXMLNFCE FROM NFCEVENDA WHERE NRSEQVENDA = ?", venda);
    const std::string key = Scalar("SELECT CDCHAVENFCE FROM NFCEVENDA WHERE NRSEQVENDA = ?", venda);
    std::string kept;
    for (const auto& f : fs::directory_iterator(fs::path(dir_) / fs::path(xml).parent_path())) {
      const std::string name = f.path().filename().string();
      if (name.find(key + "-110111") == std::string::npos) continue;
      const std::string text = ReadFile(f.path().string());
      kept += " " + std::regex_replace(name, std::regex(key), "KEY") +
              (Verifies(f.path().string()) ? " signed" : " not signed") + " cStat " +
              nfcetest::Between(nfcetest::Between(text, "<retEvento", "</retEvento>"), "<cStat>",
                                "</cStat>");
    }
    return kept.empty() ? " none" : kept;
  }

  std::string Call(const Case& c) {
    std::string waiting;  // what status says of a cancellation sent without an answer
    if (std::string(c.before) == "forget") {
      standIn_.Forget();
    } else if (std::string(c.before) == "unanswered") {
      const std::string xml =
          Scalar("SELECT DSARQXMLNFCE FROM NFCEVENDA WHERE NRSEQVENDA = ?", c.venda);
      const std::string key =
          Scalar("SELECT CDCHAVENFCE FROM NFCEVENDA WHERE NRSEQVENDA = ?", c.venda);
      const fs::path folder = fs::path(dir_) / fs::path(xml).parent_path();
      fs::rename(folder / (key + "-110111-01-procEventoNFe.xml"),
                 folder / ("enviado-" + key + "-110111-01-envEvento.xml"));
      Exec("UPDATE VENDA SET IDSITUVENDA = 'A' WHERE NRSEQVENDA = ?", {c.venda});
      const std::string status = RunHost({"status", "--dir", dir_}, dir_).out;
      const size_t at = status.find("Cancelamentos de NFC-e");
      waiting = "status " + (at == std::string::npos ? "-\n" : status.substr(at)) + "  ";
    } else if (std::string(c.before) == "lost") {
      standIn_.AnswerEvents("reset");
    } else if (std::string(c.before) == "unreachable") {
      PointAtAuthority(dir_, certificate_,
                       "https://127.0.0.1:" + std::to_string(vyrtest::ClosedPort()),
                       standIn_.CaBundle(), 2);
    } else if (*c.before != '\0') {
      Exec(c.before, {c.venda});
    }
    const std::string before = standIn_.Calls();
    const Result r = RunHost(
        {"cancel-note", "--dir", dir_, c.typed ? c.typed : c.venda, "--motivo", c.motivo}, dir_);
    standIn_.AnswerEvents("");
    PointAtAuthority(dir_, certificate_, standIn_.Url(), standIn_.CaBundle(), 2);
    const std::string json = RunHost({"status", "--dir", dir_, "--json"}, dir_).out;
    const size_t listed = json.find("\"cancelamentos_sem_resposta\":[{");
    if (listed != std::string::npos) {
      waiting = json.substr(listed, json.find(']', listed) + 1 - listed) + "\n  ";
    }
    const std::string key =
        Scalar("SELECT CDCHAVENFCE FROM NFCEVENDA WHERE NRSEQVENDA = ?", c.venda);
    std::string said =
        waiting + "exit " + std::to_string(r.exit_code) + ", " + (r.exit_code == 0 ? r.out : r.err);
    said = std::regex_replace(said, std::regex(key), "KEY");
    said = std::regex_replace(said, std::regex(dir_ + "/Dados/XML_NFCe_Sat/[^/]*/"), "");
    said = std::regex_replace(said, std::regex(R"(\d{4}-\d\d-\d\dT[0-9:+-]{14})"), "TIME");
    said =
        std::regex_replace(said, std::regex(R"(got no answer \([^)]*\))"), "got no answer (WHY)");
    said = std::regex_replace(said, std::regex(R"(\d{15})"), "PROT");
    std::string calls = standIn_.Calls().substr(before.size());
    for (size_t at = calls.find('\n'); at != std::string::npos; at = calls.find('\n', at)) {
      calls[at] = calls.size() > at + 1 ? ',' : ' ';
    }
    return std::string(c.name) + ": " + said + "  VENDA " +
           Scalar("SELECT IDSITUVENDA FROM VENDA WHERE NRSEQVENDA = ?", c.venda) + ", kept" +
           Kept(c.venda) + ", calls " + (calls.empty() ? "none " : calls) + "\n";
  }

  // The lines the cancellations left in the register's daily log, their times taken out.
  std::string LoggedCancellations() const {
    std::string lines;
    for (const auto& f : fs::recursive_directory_iterator(dir_ + "/Dados/LogImpExpKDS")) {
      if (!f.is_regular_file()) continue;
      std::istringstream log(ReadFile(f.path().string()));
      for (std::string line; std::getline(log, line);) {
        if (line.find("cancel") == std::string::npos) continue;
        line = std::regex_replace(line.substr(line.find(" - "), line.size() - 1 - line.find(" - ")),
                                  std::regex(R"(\d{44})"), "KEY");
        lines += std::regex_replace(line, std::regex("; /.*/"), "; ") + "\n";
      }
    }
    return lines;
  }

  vyrtest::TempStore scratch_;
  const std::string dir_ = scratch_.Dir() + "/loja";
  const vyrtest::TestCertificate certificate_ =
      vyrtest::MakeTestCertificate(scratch_.Dir(), "a1", "senha-a1", "11222333000181", 400);
  vyrtest::SefazStandIn standIn_{scratch_.Dir(), certificate_.ca_pem_path, nfcetest::Schemas()};
};

TEST_F(CancelNoteTest, CancelsWhatTheAuthorityTakesAndRefusesTheRestWithTheReason) {
  const char* const motivo = "Entrega devolvida pelo cliente";
  const char* const again =
      "UPDATE VENDA SET IDSITUVENDA = 'A' WHERE NRSEQVENDA = ?";  // as if it stopped before
  const Case cases[] = {
      {"reason too short", "0000000001", "Pedido errado.", ""},
      {"cancelled", "0000000001", motivo, "", "1"},
      {"stopped before marking the sale", "0000000001", motivo, again},
      {"stopped before the answer came", "0000000001", motivo, "unanswered"},
      {"not authorised", "0000000002", motivo,
       "UPDATE NFCEVENDA SET IDSITUNFCE = 'pending' WHERE NRSEQVENDA = ?"},
      {"deadline passed", "0000000003", motivo,
       "UPDATE NFCEVENDA SET DSDHRECBTO = strftime('%Y-%m-%dT%H:%M:%SZ', 'now', '-31 minutes') "
       "WHERE NRSEQVENDA = ?"},
      {"answer lost", "0000000005", motivo, "lost"},
      {"run again after the lost answer", "0000000005", motivo, ""},
      {"authority out of reach", "0000000004", motivo, "unreachable"},
      {"refused by the authority", "0000000004", motivo, "forget"},
  };
  std::string outcome;
  for (const Case& c : cases) outcome += Call(c);
  outcome += "log:\n" + std::regex_replace(LoggedCancellations(), std::regex(R"(\d{15})"), "PROT");
  const std::string refused = "exit 1, hostagent: cancelamento recusado: ";
  const auto sale = [](char n) {
    return std::string("sale 000000000") + n + " (branch 0001, register 001)";
  };
  const std::string kept =
      "  VENDA C, kept KEY-110111-01-procEventoNFe.xml signed cStat 135, calls ";
  const std::string untouched = "  VENDA A, kept none, calls ";
  const std::string run_again =
      "rode hostagent cancel-note da venda de novo: a SEFAZ e consultada pela chave antes de "
      "qualquer novo envio";
  EXPECT_EQ(
      "reason too short: " + refused +
          "the reason has 14 characters: the authority takes 15 to 255\n" + untouched +
          "none \ncancelled: exit 0, NFC-e cancelada: 135 stand-in 135 PROT; "
          "KEY-110111-01-procEventoNFe.xml\n" +
          kept +
          "NFeRecepcaoEvento4 135 \n"
          "stopped before marking the sale: exit 0, NFC-e cancelada: cancellation already "
          "registered; KEY-110111-01-procEventoNFe.xml\n" +
          kept +
          "none \n"
          "stopped before the answer came: status Cancelamentos de NFC-e enviados sem resposta: 1\n"
          "  nota KEY\n    rode hostagent cancel-note da venda de novo: a SEFAZ e consultada pela "
          "chave antes de qualquer novo envio\n"
          "  exit 0, NFC-e cancelada: cancellation found registered "
          "by the authority; KEY-110111-01-procEventoNFe.xml\n" +
          kept + "NFeConsultaProtocolo4 101 \nnot authorised: " + refused + "the note KEY of " +
          sale('2') +
          " is not authorised (NFCEVENDA.IDSITUNFCE 'pending'): only an authorised note can be "
          "cancelled\n" +
          untouched + "none \ndeadline passed: " + refused + "the note KEY of " + sale('3') +
          " was authorised at TIME, more than 30 minutes before now (TIME): the state no longer "
          "takes its cancellation\n" +
          untouched +
          "none \nanswer lost: \"cancelamentos_sem_resposta\":[{\"chave\":\"KEY\",\"arquivo\":"
          "\"enviado-KEY-110111-01-envEvento.xml\",\"acao\":\"" +
          run_again + "\"}]\n  " + refused + "the cancellation of " + sale('5') +
          " got no answer (WHY): run it again; the authority is asked first\n"
          "  VENDA A, kept enviado-KEY-110111-01-envEvento.xml signed cStat , calls "
          "NFeRecepcaoEvento4 135 reset \n"
          "run again after the lost answer: exit 0, NFC-e cancelada: cancellation found registered "
          "by the authority; KEY-110111-01-procEventoNFe.xml\n" +
          kept + "NFeConsultaProtocolo4 101 \nauthority out of reach: " + refused +
          "the cancellation of " + sale('4') +
          " got no answer (WHY): run it again; the authority is asked first\n" + untouched +
          "none \nrefused by the authority: " + refused +
          "the authority refused the cancellation of " + sale('4') + ": 217 stand-in 217\n" +
          untouched +
          "NFeRecepcaoEvento4 217 \n"
          "log:\n"
          " - NFC-e KEY da venda 0000000001 cancelada: 135 stand-in 135 PROT; "
          "KEY-110111-01-procEventoNFe.xml\n"
          " - NFC-e KEY da venda 0000000001 cancelada: cancellation already registered; "
          "KEY-110111-01-procEventoNFe.xml\n"
          " - NFC-e KEY da venda 0000000001 cancelada: cancellation found registered by the "
          "authority; KEY-110111-01-procEventoNFe.xml\n"
          " - NFC-e KEY da venda 0000000005: cancelamento enviado sem resposta da SEFAZ; " +
          run_again +
          "\n"
          " - NFC-e KEY da venda 0000000005 cancelada: cancellation found registered by the "
          "authority; KEY-110111-01-procEventoNFe.xml\n",
      outcome);
}

}  // namespace
}  // namespace hosttest
