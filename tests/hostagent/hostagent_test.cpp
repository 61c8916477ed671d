// The host agent as a user runs it: making stores, running the worker and stopping it.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "fiscal/nfce/note_store.h"
#include "hostagent/store_fixture.h"
#include "packages/fiscal/nfce_test_support.h"
#include "rtl/client_dataset.h"
#include "support/sefaz_stand_in.h"
#include "support/store_builders.h"
#include "support/temp_dir.h"
#include "support/temp_store.h"
#include "support/test_certificate.h"
#include "vyrutil/crypto.h"

namespace hosttest {
namespace {

namespace fs = std::filesystem;

// What the registers of a demo store recorded, issued and printed, in the program directories
// `dirs` (the first holds the store): "orders=6 closed=6 sales=6 bills=6 documents=6 issued=6
// pending=0 duplicates=0", with the receipts printed apart (they may be fewer than the sales
// after a kill between the print's record and the print).
std::string Outcome(const std::vector<std::string>& dirs, size_t& receipts) {
  const std::string db = dirs[0] + "/Dados/Loja.db";
  const auto count = [&db](const std::string& sql) { return Scalar(db, sql); };
  long issued = 0;
  size_t duplicates = 0;
  receipts = 0;
  std::string keys_printed;
  for (const std::string& dir : dirs) {
    const std::string ini = ReadFile(dir + "/Dados/SatEmulador/emulador.ini");
    const size_t at = ini.find("ultimoCFe=");
    if (at != std::string::npos) issued += std::stol(ini.substr(at + 10));
    // Each extract prints its CF-e's key once, in groups of four digits; the last four groups
    // (the series' end, the CF-e number and its code) name one CF-e.
    const std::string printed = ReadFile(dir + "/cupom.prn");
    for (size_t p = printed.find("Extrato No. "); p != std::string::npos;
         p = printed.find("Extrato No. ", p + 1)) {
      ++receipts;
    }
    keys_printed += printed;
  }
  std::string keys =
      count("SELECT group_concat(NRCHAVECFE, ',') FROM VENDACFESAT WHERE NRCHAVECFE IS NOT NULL");
  for (size_t start = 0; start < keys.size();) {
    size_t end = keys.find(',', start);
    if (end == std::string::npos) end = keys.size();
    std::string digits;
    for (char c : keys.substr(start, end - start)) {
      if (c >= '0' && c <= '9') digits += c;
    }
    if (digits.size() == 44) {
      const std::string tail = digits.substr(28, 4) + " " + digits.substr(32, 4) + " " +
                               digits.substr(36, 4) + " " + digits.substr(40, 4);
      size_t times = 0;
      for (size_t p = keys_printed.find(tail); p != std::string::npos;
           p = keys_printed.find(tail, p + 1)) {
        ++times;
      }
      if (times > 1) duplicates += times - 1;
    }
    start = end + 1;
  }
  return "orders=" + count("SELECT COUNT(*) FROM COMANDAVEN") +
         " closed=" + count("SELECT COUNT(*) FROM COMANDAVEN WHERE IDIMPCUPEXP = '3'") +
         " sales=" + count("SELECT COUNT(*) FROM VENDA WHERE IDSITUVENDA = 'A'") +
         " bills=" + count("SELECT COUNT(DISTINCT NRCOMANDAVND) FROM VENDA") +
         " documents=" + count("SELECT COUNT(*) FROM VENDACFESAT WHERE NRCFESAT IS NOT NULL") +
         " issued=" + std::to_string(issued) +
         " pending=" + count("SELECT COUNT(*) FROM VENDA WHERE IDDOCPENDVENDA IS NOT NULL") +
         " duplicates=" + std::to_string(duplicates);
}

// The first line of `text` that contains `part`, without its line end.
std::string LineWith(const std::string& text, const std::string& part) {
  const size_t at = text.find(part);
  if (at == std::string::npos) return "(nenhuma linha com " + part + ")";
  const size_t start = text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1;
  return text.substr(start, text.find('\n', at) - start);
}

// The part of the first line holding `has` that comes after the log's time stamp and before
// `until`; "-" when no line holds it.
std::string LinePart(const std::string& text, const std::string& has, const std::string& until) {
  if (text.find(has) == std::string::npos) return "-";
  const std::string line = LineOf(text, has);
  return line.substr(0, line.find(until));
}

// Returns once `done` holds, or after 5 s, asking it again each time the worker writes to one
// of the daily logs in `log_dir`: the kernel says when (inotify), no sleep guesses the moment.
void WaitForLogWrites(const std::string& log_dir, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  const int watch = inotify_init1(IN_CLOEXEC);
  for (const auto& year : fs::directory_iterator(log_dir)) {
    for (const auto& day : fs::directory_iterator(year.path())) {
      inotify_add_watch(watch, day.path().c_str(), IN_MODIFY);
    }
  }
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd event{watch, POLLIN, 0};
    if (poll(&event, 1, static_cast<int>(std::clamp<long long>(left.count(), 0, 100))) > 0) {
      char drained[4096];
      (void)!read(watch, drained, sizeof drained);
    }
  }
  close(watch);
}

class HostAgentTest : public ::testing::Test {
 protected:
  // A store of its own with one register (0001 / 01 / 001).
  void InsertRegister(const vyrtest::RegisterOptions& options) {
    vyrtest::InsertBranchStoreRegister(store_, "0001", "01", "001", options);
  }
  std::vector<std::string> RunArgs(const std::vector<std::string>& extra) const {
    std::vector<std::string> args{"run",     "--dir", store_.Dir(), "--filial", "0001",
                                  "--caixa", "001",   "--loja",     "01"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  Result Run(const std::vector<std::string>& extra) {
    return RunHost(RunArgs(extra), store_.Dir());
  }
  // Waits for a started host to say that its worker runs: its signals are taken and the
  // register's lock is held from then on.
  static void WaitForWorker(HostProcess& host) {
    ASSERT_TRUE(host.WaitForOutput("THREAD iniciada\n"));
  }
  static std::string Year() {
    const std::time_t now = std::time(nullptr);
    return std::to_string(std::localtime(&now)->tm_year + 1900);
  }
  std::string Log() const { return LogOf(store_.Dir()); }

  vyrtest::TempStore store_;
};

TEST_F(HostAgentTest, InitStoreCreatesTheSchemaAndRefusesToOverwrite) {
  vyrtest::TempStore scratch;
  const std::string dir = scratch.Dir() + "/nova";
  Result first = RunHost({"init-store", "--dir", dir}, scratch.Dir());
  ASSERT_EQ(0, first.exit_code) << first.err;
  ASSERT_TRUE(fs::exists(StoreOf(dir)));
  const auto size = fs::file_size(StoreOf(dir));

  Result again = RunHost({"init-store", "--dir", dir}, scratch.Dir());
  EXPECT_NE(0, again.exit_code);
  EXPECT_NE(std::string::npos, again.err.find("--force"));
  EXPECT_EQ(size, fs::file_size(StoreOf(dir)));
}

TEST_F(HostAgentTest, InitStoreWithForceReplacesTheStore) {
  InsertRegister({});
  Result result = RunHost({"init-store", "--dir", store_.Dir(), "--force"}, store_.Dir());
  ASSERT_EQ(0, result.exit_code) << result.err;
  // The fixture's own handle still sees the removed file; a new one sees the new store.
  EXPECT_EQ("0", Scalar(store_.DbPath(), "SELECT COUNT(*) FROM CAIXA"));
}

// The demo register runs from Dados/Caixa.ini alone, and a closed sale's receipt prints again
// (its number given without the zeros).
TEST_F(HostAgentTest, DemoStoreHasARegisterWithPrinterAndItsLocalTables) {
  vyrtest::TempStore scratch;
  const std::string dir = scratch.Dir() + "/demo";
  ASSERT_EQ(0, MakeDemoStore(dir,
                             {"--modelo", "22", "--pedidos", "2", "--schemas",
                              VYR_SOURCE_DIR "/packages/fiscal/nfce/schemas/nfe-4.00"},
                             scratch.Dir())
                   .exit_code);
  for (const char* file : {"ConfTipoRece.cds", "DataMovimento.cds", "AberturaCaixa.cds"}) {
    EXPECT_TRUE(fs::exists(dir + "/Dados/Cadastros/" + file)) << file;
  }
  rtl::TClientDataSet abertura;
  abertura.LoadFromFile(dir + "/Dados/Cadastros/AberturaCaixa.cds");
  EXPECT_EQ("123456789", VyrUtil::Uncripto(abertura.FieldByName("CDATIVACAOSAT").AsString(),
                                           VyrUtil::kChaveAtivacaoSat));

  Result run = RunUntilIdle(dir, scratch.Dir());
  EXPECT_EQ(0, run.exit_code) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("Encerrando: ociosa: a ultima passagem nao alterou "
                                            "nada e nao ha pedido pendente"));
  const std::string key =
      Scalar(StoreOf(dir), "SELECT CDCHAVENFCE FROM NFCEVENDA WHERE NRSEQVENDA = '0000000001'");
  // The copy is kept in the folder of the note's day (the branch's).
  const std::string copy = dir + "/Dados/Impressao/" +
                           Scalar(StoreOf(dir),
                                  "SELECT substr(DSDHEMINFCE, 1, 10) FROM "
                                  "NFCEVENDA WHERE NRSEQVENDA = '0000000001'") +
                           "/NFCe" + key + ".txt";
  fs::remove(copy);
  const auto printed = fs::file_size(dir + "/cupom.prn");
  Result reprint = RunHost({"reprint", "--dir", dir, "1"}, scratch.Dir());
  EXPECT_EQ("0 Recibo impresso de novo: VENDA_NFCe " + key +
                " na porta file:cupom.prn\nCopia: " + copy + "\n",
            std::to_string(reprint.exit_code) + " " + reprint.out + reprint.err);
  EXPECT_TRUE(fs::exists(copy));
  EXPECT_LT(printed, fs::file_size(dir + "/cupom.prn"));
}

// Authoriser down: the order's note is issued in contingency and its DANFE printed, and the sale
// stays visibly pending. Authoriser back: the next run, with no new order, sends the note.
TEST_F(HostAgentTest, AContingencyNoteIsSentByALaterRunWithNoNewOrder) {
  vyrtest::TempStore scratch;
  const std::string dir = scratch.Dir() + "/loja";
  ASSERT_EQ(0, MakeDemoStore(dir,
                             {"--pedidos", "1", "--schemas",
                              VYR_SOURCE_DIR "/packages/fiscal/nfce/schemas/nfe-4.00"},
                             scratch.Dir())
                   .exit_code);
  const std::string db = StoreOf(dir);
  fs::create_directories(dir + "/Dados/AutorizadorNFCe");
  // One run with the simulator in `modo`, then what the store, the log and `status` show, with
  // the note's key as KEY.
  const auto run_and_observe = [&](const std::string& modo) {
    std::ofstream(dir + "/Dados/AutorizadorNFCe/modo") << modo << "\n";
    const Result run = RunUntilIdle(dir, scratch.Dir());
    const Result status = RunHost({"status", "--dir", dir}, scratch.Dir());
    const std::string key = Scalar(db, "SELECT CDCHAVENFCE FROM NFCEVENDA");
    bool nfe_proc = false;
    for (const auto& file : fs::recursive_directory_iterator(dir + "/Dados/XML_NFCe_Sat")) {
      nfe_proc |= file.path().filename() == key + "-nfeProc.xml";
    }
    const std::string log = LogOf(dir);
    const std::string state =
        modo + ": " + std::to_string(run.exit_code) + " " + LineWith(run.out, "Encerrando:") +
        "\nchave tpEmis " + key.substr(34, 1) + "; NFCEVENDA " +
        Scalar(db,
               "SELECT GROUP_CONCAT(IDTPEMISNFCE || ' ' || IDSITUNFCE || ', "
               "protocolo de ' || LENGTH(COALESCE(NRPROTNFCE, '')) || ' digitos', "
               "'; ') FROM NFCEVENDA") +
        "; nfeProc " + (nfe_proc ? "sim" : "nao") + "; VENDA " +
        Scalar(db,
               "SELECT NRSEQVENDA || ' ' || COALESCE(IDDOCPENDVENDA, 'NULL') "
               "FROM VENDA") +
        "\nlog: " + LinePart(log, " em contingência ", " desde ") + " | " +
        LinePart(log, " autorizada: ", " protocolo ") + "\nstatus " +
        std::to_string(status.exit_code) + ": " + LineWith(status.out, "Vendas com documento") +
        " (" + LinePart(status.out, "documento CONTING", " desde ") + ") / " +
        LineWith(status.out, "Notas em contingencia") + " (" +
        LinePart(status.out, key, ", emitida") + ")\n";
    return Replaced(state, key, "KEY");
  };
  const std::string down = run_and_observe("offline");
  // The contingency DANFE, in its text copy and as it went to the register's printer.
  std::string danfe;
  const std::string key = Scalar(db, "SELECT CDCHAVENFCE FROM NFCEVENDA");
  for (const std::string& text :
       {ReadFile(dir + "/Dados/Impressao/" +
                 Scalar(db, "SELECT substr(DSDHEMINFCE, 1, 10) FROM NFCEVENDA") + "/NFCe" + key +
                 ".txt"),
        ReadFile(dir + "/cupom.prn")}) {
    for (const char* mark :
         {"EMITIDA EM CONTING", "Pendente de autoriza", "Via Consumidor", "Via Estabelecimento"}) {
      int count = 0;
      for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + 1)) {
        ++count;
      }
      danfe += std::string(mark) + " x" + std::to_string(count) + "; ";
    }
    danfe += "\n";
  }
  const std::string back = run_and_observe("autoriza");
  const std::string idle =
      "0 Encerrando: ociosa: a ultima passagem nao alterou nada e nao ha pedido pendente\n";
  const std::string entered = "log: NFC-e: caixa 0001/001 em contingência (notas tpEmis 9) | ";
  const std::string copies =
      "EMITIDA EM CONTING x4; Pendente de autoriza x2; Via Consumidor x1; "
      "Via Estabelecimento x1; \n";
  EXPECT_EQ("offline: " + idle +
                "chave tpEmis 9; NFCEVENDA 9 pending, protocolo de 0 digitos; nfeProc nao; VENDA "
                "0000000001 CONTING\n" +
                entered +
                "-\nstatus 0: Vendas com documento ou recibo pendente: 1 (  venda 0000000001 "
                "(comanda 0001): documento CONTING) / Notas em contingencia nao transmitidas: 1 "
                "(  nota KEY (venda 0000000001): pending)\n" +
                copies + copies + "autoriza: " + idle +
                "chave tpEmis 9; NFCEVENDA 9 authorised, protocolo de 15 digitos; nfeProc sim; "
                "VENDA 0000000001 NULL\n" +
                entered +
                "NFC-e KEY da venda 0000000001 autorizada:\nstatus 0: Vendas com documento ou "
                "recibo pendente: 0 (-) / Notas em contingencia nao transmitidas: 0 (-)\n",
            down + danfe + back);
}

// More notes in contingency than one pass sends: a run until idle does not stop while its passes
// have notes authorised, and stops at once while the authoriser is down.
TEST_F(HostAgentTest, ARunUntilIdleSendsEveryContingencyNoteBeforeItStops) {
  vyrtest::TempStore scratch;
  const std::string dir = scratch.Dir() + "/loja";
  ASSERT_EQ(0, MakeDemoStore(dir,
                             {"--simples", "--pedidos", "7", "--schemas",
                              VYR_SOURCE_DIR "/packages/fiscal/nfce/schemas/nfe-4.00"},
                             scratch.Dir())
                   .exit_code);
  fs::create_directories(dir + "/Dados/AutorizadorNFCe");
  std::string state;
  for (const std::string modo : {"offline", "offline", "autoriza"}) {
    std::ofstream(dir + "/Dados/AutorizadorNFCe/modo") << modo << "\n";
    const Result run = RunUntilIdle(dir, scratch.Dir());
    state += modo + ": " + std::to_string(run.exit_code) + " " +
             LineWith(run.out, "Encerrando:").substr(12, 6) + " " +
             Scalar(StoreOf(dir),
                    "SELECT GROUP_CONCAT(IDSITUNFCE || ' ' || N, ', ') FROM (SELECT "
                    "IDSITUNFCE, COUNT(*) AS N FROM NFCEVENDA GROUP BY 1)") +
             "\n";
  }
  EXPECT_EQ(
      "offline: 0 ociosa pending 7\noffline: 0 ociosa pending 7\nautoriza: 0 ociosa authorised "
      "7\n",
      state);
}

// An NFC-e register configured as a store configures it, pointed at the local stand-in of the
// state's services: the worker announces its certificate's near end, every order is authorised
// by the services and its receipt printed.
TEST_F(HostAgentTest, AnNfceRegisterHasItsOrdersAuthorisedByTheStatesServicesAndPrinted) {
  vyrtest::TempStore scratch;
  const std::string dir = scratch.Dir() + "/demo";
  ASSERT_EQ(0,
            MakeDemoStore(dir, {"--emissao", "FNC", "--pedidos", "2", "--porta", "file:cupom.prn"},
                          scratch.Dir())
                .exit_code);
  const vyrtest::TestCertificate certificate =
      vyrtest::MakeTestCertificate(scratch.Dir(), "a1", "senha-a1", "11222333000181", 20);
  vyrtest::SefazStandIn standIn(scratch.Dir(), certificate.ca_pem_path, nfcetest::Schemas());
  PointAtAuthority(dir, certificate, standIn.Url(), standIn.CaBundle(), 10);
  Result run = RunHost({"run", "--dir", dir, "--filial", "0001", "--caixa", "001", "--loja", "01",
                        "--until-idle", "--max-seconds", "60"},
                       scratch.Dir());
  const std::string log = LogOf(dir);
  const std::string warning = LineWith(log, "NFC-e: o certificado");
  EXPECT_EQ(
      "exit 0|NFC-e: o certificado '" + certificate.pfx_path + "' vence em|" +
          "NFeAutorizacao4 100\nNFeAutorizacao4 100\n|authorised=2|receipt",
      "exit " + std::to_string(run.exit_code) + "|" +
          warning.substr(warning.find("NFC-e"),
                         warning.find(" vence em") - warning.find("NFC-e") + 9) +
          "|" + standIn.Calls() + "|authorised=" +
          Scalar(StoreOf(dir), "SELECT COUNT(*) FROM NFCEVENDA WHERE IDSITUNFCE = 'authorised'") +
          "|" + (fs::exists(dir + "/cupom.prn") ? "receipt" : "no receipt"))
      << run.out << run.err;
}

// Bad rows of the exporting program, each between two good orders of the demo: a NULL price, a
// negative price, a NULL quantity and a quantity of 1e15 (payments matching, so that only the
// fiscal closing can refuse them) are refused without a sale; control characters in the address
// reach neither the CF-e nor the receipt. The good orders are closed.
TEST_F(HostAgentTest, BadOrderDataIsRefusedBetweenGoodOrders) {
  vyrtest::TempStore scratch;
  const std::string dir = scratch.Dir() + "/demo";
  ASSERT_EQ(0,
            MakeDemoStore(dir, {"--sat", "--simples", "--pedidos", "11"}, scratch.Dir()).exit_code);
  // Order n has a pizza (45.90) and 1 + n % 3 cans (6.50); its one payment must match its items.
  const char* const kBad =
      "UPDATE ITCOMANDAVEN SET VRPRECCOMVEN = NULL WHERE NRCOMANDA = '0002' AND NRPRODCOMVEN = "
      "'002';"
      "UPDATE MOVCAIXADLV SET VRMOVIVENDDLV = 45.90 WHERE NRVENDAREST = '0000000002';"
      "UPDATE ITCOMANDAVEN SET VRPRECCOMVEN = -6.5 WHERE NRCOMANDA = '0004' AND NRPRODCOMVEN = "
      "'002';"
      "UPDATE MOVCAIXADLV SET VRMOVIVENDDLV = 32.90 WHERE NRVENDAREST = '0000000004';"
      "UPDATE ITCOMANDAVEN SET QTPRODCOMVEN = NULL WHERE NRCOMANDA = '0006' AND NRPRODCOMVEN = "
      "'002';"
      "UPDATE MOVCAIXADLV SET VRMOVIVENDDLV = 45.90 WHERE NRVENDAREST = '0000000006';"
      "UPDATE ITCOMANDAVEN SET QTPRODCOMVEN = 1e15 WHERE NRCOMANDA = '0008' AND NRPRODCOMVEN = "
      "'002';"
      "UPDATE MOVCAIXADLV SET VRMOVIVENDDLV = 6500000000000045.90 WHERE NRVENDAREST = '0000000008';"
      "UPDATE COMANDAVEN SET DSENDECONSCOMAN = 'AV' || char(27) || '@PAULISTA' || char(7) || "
      "' 1000' WHERE NRCOMANDA = '0010';";
  Exec(StoreOf(dir), kBad);
  Result run = RunHost({"run", "--dir", dir, "--filial", "0001", "--caixa", "001", "--loja", "01",
                        "--until-idle", "--max-seconds", "60"},
                       scratch.Dir());
  ASSERT_EQ(0, run.exit_code) << run.err;
  const std::string store = StoreOf(dir);
  std::string sold;
  for (int n = 1; n <= 11; ++n) {
    char comanda[8];
    std::snprintf(comanda, sizeof comanda, "%04d", n);
    const std::string sql =
        "SELECT COUNT(*) FROM VENDA WHERE IDSITUVENDA = 'A' AND NRCOMANDAVND = '" +
        std::string(comanda) + "'";
    sold += Scalar(store, sql);
  }
  const std::string log = LogOf(dir);
  std::string printed;
  for (const auto& file : fs::recursive_directory_iterator(dir + "/Dados/Impressao")) {
    if (file.path().extension() == ".txt") printed += ReadFile(file.path());
  }
  std::string xml;
  for (const auto& file : fs::recursive_directory_iterator(dir + "/Dados")) {
    if (file.path().extension() == ".xml") xml += ReadFile(file.path());
  }
  // The refusal of bill `comanda` as the log gives it, without its time and line end.
  const auto refusal = [&log](const std::string& comanda) {
    std::string line = LineWith(log, "comanda " + comanda + ",");
    const size_t at = line.find("A comanda");
    line = at == std::string::npos ? "no refusal (" + line + ")" : line.substr(at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line + "|";
  };
  EXPECT_EQ(
      "sold 10101010111|"
      "A comanda 0002, item 2 (produto 1002): VRPRECCOMVEN está vazio (NULL).|"
      "A comanda 0004, item 2 (produto 1002): VRPRECCOMVEN é negativo (-6.5).|"
      "A comanda 0006, item 2 (produto 1002): QTPRODCOMVEN está vazio (NULL).|"
      "A comanda 0008, item 2 (produto 1002): QTPRODCOMVEN excede o tamanho do campo do "
      "documento fiscal (1E15).|"
      "AV @PAULISTA  1000|control characters: 0",
      "sold " + sold + "|" + refusal("0002") + refusal("0004") + refusal("0006") + refusal("0008") +
          LineWith(printed, "PAULISTA  1000").substr(0, 18) + "|control characters: " +
          std::to_string((printed + xml).find_first_of(std::string("\x1b\x07", 2)) !=
                         std::string::npos));
}

TEST_F(HostAgentTest, ImportIbptLoadsAStateAndRefusesABrokenFileChangingNothing) {
  const std::string header =
      "codigo;ex;tipo;descricao;nacionalfederal;importadosfederal;estadual;municipal;"
      "vigenciainicio;vigenciafim;chave;versao;fonte\n";
  const std::string line =
      "01012100;;0;Reprodutores;4.20;6.30;17.00;0.00;01/01/2026;31/12/2099;A1;26.1.A;IBPT\n";
  const std::string good = store_.Dir() + "/TabelaIBPTaxSP26.1.A.csv";
  const std::string broken = store_.Dir() + "/TabelaIBPTaxSP26.2.A.csv";
  std::ofstream(good)
      << header << line
      << "22021000;;0;Refrigerantes;3;4;18;0;01/01/2026;31/12/2099;A1;26.1.A;IBPT\n";
  std::ofstream(broken) << header << line
                        << "22021000;;0;Refrigerantes;x;4;18;0;01/01/2026;31/12/2099;A1;26.2.A;"
                           "IBPT\n";

  Result loaded = RunHost({"import-ibpt", "--dir", store_.Dir(), good}, store_.Dir());
  Result refused = RunHost({"import-ibpt", "--dir", store_.Dir(), broken}, store_.Dir());
  EXPECT_EQ(
      "0 Tabela IBPT carregada: UF SP, versao 26.1.A, vigencia 01/01/2026 a 31/12/2099, 2 "
      "linhas\n|1 hostagent: Tabela IBPT " +
          broken + ", linha 3: valor inválido em nacionalfederal: 'x'\n|2 26.1.A",
      std::to_string(loaded.exit_code) + " " + loaded.out + "|" +
          std::to_string(refused.exit_code) + " " + refused.err + "|" +
          store_.Scalar("SELECT COUNT(*) FROM TABIBPT WHERE SGESTADO = 'SP'") + " " +
          store_.Scalar("SELECT MAX(NRVERSAOIBPT) FROM TABIBPT"));
}

TEST_F(HostAgentTest, UntilIdleStopsAfterAPassWithNothingPending) {
  InsertRegister({});
  Result result = Run({"--until-idle", "--max-seconds", "60", "--abertura", "2026-12-06 08:30:00"});
  EXPECT_EQ(0, result.exit_code) << result.err;
  // What the worker is about to use comes first.
  EXPECT_EQ(0u, result.out.find("Diretorio do programa: " + store_.Dir() +
                                "\nConexao:               sqlite:" + store_.DbPath() +
                                " (origem: padrao)\nCaixa:                 filial 0001, caixa "
                                "001, loja 01\n"))
      << result.out;
  EXPECT_NE(std::string::npos, result.out.find("Encerrando: ociosa: a ultima passagem nao alterou "
                                               "nada e nao ha pedido pendente"));
  EXPECT_NE(std::string::npos, result.out.find("Pedidos pendentes:  0"));
  const std::string log = Log();
  EXPECT_NE(std::string::npos, log.find(" - INICIO THREAD_0001_001_0106/12/2026 08:30:00\r\n"));
  EXPECT_NE(std::string::npos, log.find(" - TERMINATE THREAD_0001_001_0106/12/2026 08:30:00\r\n"));
}

TEST_F(HostAgentTest, EndsWhenTheWorkerEndsAndCountsLoggedFailures) {
  vyrtest::RegisterOptions options;
  options.printer_model = "abc";
  InsertRegister(options);
  vyrtest::InsertPendingOrder(store_, vyrtest::PendingOrder{});
  Result result = Run({"--max-seconds", "60"});
  EXPECT_EQ(3, result.exit_code);
  EXPECT_EQ(
      "hostagent: a THREAD terminou por erro: IDTIPOIMPNF6: 'abc' is not a valid integer value\n",
      result.err);
  EXPECT_NE(std::string::npos, result.out.find("Encerrando: a THREAD terminou sozinha"));
  EXPECT_NE(std::string::npos, result.out.find("Falhas registradas: 1"));
  EXPECT_NE(std::string::npos, result.out.find("Pedidos pendentes:  1"));
  EXPECT_NE(std::string::npos, result.out.find("/Dados/LogImpExpKDS/LogImpExpKDS"));
}

TEST_F(HostAgentTest, TimeLimitEndsARunThatNeverIdles) {
  InsertRegister({});
  Result result = Run({"--max-seconds", "1"});
  EXPECT_EQ(0, result.exit_code) << result.err;
  EXPECT_NE(std::string::npos, result.out.find("Encerrando: tempo maximo atingido"));
}

// The run was stuck as long as another program locked the store, and its worker then closed
// orders after its time was up. Now the time counts from the start, a stop ends within 5 s
// whatever the store does, and a worker whose stop was requested closes nothing.
TEST_F(HostAgentTest, TimeLimitEndsARunWhileAnotherProgramLocksTheStore) {
  InsertRegister({});
  vyrtest::InsertPendingOrder(store_, vyrtest::PendingOrder{});
  store_.Exec("PRAGMA journal_mode = DELETE");  // readers wait for the lock too
  store_.Exec("BEGIN EXCLUSIVE");
  const auto start = std::chrono::steady_clock::now();
  Result result = Run({"--max-seconds", "2"});
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  store_.Exec("ROLLBACK");
  EXPECT_LT(took.count(), 2 + 5.0);  // the time limit, then at most 5 s of stopping
  EXPECT_EQ("0 Encerrando: tempo maximo atingido sales=0 IDIMPCUPEXP=2",
            std::to_string(result.exit_code) + " " + LineWith(result.out, "Encerrando:") +
                " sales=" + std::to_string(store_.Count("VENDA")) +
                " IDIMPCUPEXP=" + store_.Scalar("SELECT IDIMPCUPEXP FROM COMANDAVEN"))
      << result.err;
}

TEST_F(HostAgentTest, TerminationAndHangUpSignalsStopTheWorkerCleanly) {
  InsertRegister({});
  std::string outcome;
  for (int signal : {SIGTERM, SIGHUP}) {
    HostProcess host(RunArgs({"--max-seconds", "120"}), store_.Dir());
    WaitForWorker(host);
    host.Signal(signal);
    Result result = host.Wait();
    outcome += std::to_string(result.exit_code) + " " + LineWith(result.out, "Encerrando:") +
               " / " + LineWith(Log(), "TERMINATE").substr(22, 28) + "|";
    fs::remove_all(store_.Dir() + "/Dados/LogImpExpKDS");
  }
  EXPECT_EQ(
      "0 Encerrando: sinal SIGTERM recebido / TERMINATE THREAD_0001_001_01|"
      "0 Encerrando: sinal SIGHUP recebido / TERMINATE THREAD_0001_001_01|",
      outcome);
}

TEST_F(HostAgentTest, AWorkerThatEndsAtOnceSaysWhyInItsExitCode) {
  std::string outcome;
  const auto run = [&] {
    Result result = Run({"--max-seconds", "60"});
    outcome += std::to_string(result.exit_code) + " " + result.err;
  };
  run();  // no register yet
  vyrtest::RegisterOptions off;
  off.idimpautcupexp = "N";
  InsertRegister(off);
  run();
  vyrtest::RegisterOptions no_printer;
  no_printer.printer_model = "";
  InsertRegister(no_printer);
  run();
  store_.Exec("ALTER TABLE VENDA DROP COLUMN DTDOCPENDVENDA");  // refused before the worker
  run();
  EXPECT_EQ(
      "4 hostagent: caixa nao encontrado: nenhuma linha de CAIXA para filial 0001, caixa 001, "
      "loja 01\n"
      "5 hostagent: fechamento automatico desligado no caixa (filial 0001, caixa 001, loja 01): "
      "CAIXA.IDIMPAUTCUPEXP diferente de 'S'\n"
      "6 hostagent: caixa sem impressora NF6 parametrizada (filial 0001, caixa 001, loja 01)\n"
      "9 hostagent: o banco DIR/Dados/Loja.db nao esta no esquema atual; falta: coluna "
      "VENDA.DTDOCPENDVENDA DATETIME; atualize-o com 'hostagent upgrade-store --dir DIR' (os "
      "dados sao mantidos) e inicie de novo\n",
      Replaced(outcome, store_.Dir(), "DIR"));
}

TEST_F(HostAgentTest, InvalidArgumentsAreRefusedBeforeAnythingStarts) {
  std::string codes;
  const auto run = [&](std::vector<std::string> args) {
    codes += std::to_string(RunHost(args, store_.Dir()).exit_code) + " ";
  };
  run({"run", "--dir", store_.Dir() + "/nao_existe", "--filial", "1", "--caixa", "1", "--loja",
       "1"});
  run({"init-store", "--dir", ""});
  for (const char* seconds : {"-1", "nan", "inf", "1e999"}) {
    run(RunArgs({"--max-seconds", seconds}));
  }
  run(RunArgs({"--abertura", "ontem"}));
  EXPECT_EQ("2 2 2 2 2 2 2 ", codes);
  EXPECT_FALSE(fs::exists(store_.Dir() + "/nao_existe"));
  EXPECT_FALSE(fs::exists(store_.Dir() + "/Dados/LogImpExpKDS"));
}

TEST_F(HostAgentTest, OneWorkerPerRegisterAcrossProcesses) {
  InsertRegister({});
  HostProcess first(RunArgs({"--max-seconds", "120"}), store_.Dir());
  WaitForWorker(first);
  const std::string pid = std::to_string(first.Pid());
  const std::string lock = store_.Dir() + "/Dados/THREAD_0001_001_01.lock";
  const std::string busy = " esta com o processo " + pid + "\n";

  vyrtest::TempDir other;
  Result second = RunHost(RunArgs({"--max-seconds", "120"}), other.Path());
  EXPECT_EQ("7 hostagent: o caixa ja esta em execucao: a trava " + lock + busy,
            std::to_string(second.exit_code) + " " + second.err);
  Result init = RunHost({"init-store", "--dir", store_.Dir(), "--force"}, other.Path());
  EXPECT_EQ("7 hostagent: a loja esta em uso por uma THREAD: a trava " + lock + busy,
            std::to_string(init.exit_code) + " " + init.err);

  first.Signal(SIGTERM);
  EXPECT_EQ(0, first.Wait().exit_code);
  // The kernel released the lock with the first process.
  EXPECT_EQ(0, RunHost(RunArgs({"--until-idle", "--max-seconds", "60"}), other.Path()).exit_code);
}

TEST_F(HostAgentTest, ALogThatCannotBeWrittenSaysWhy) {
  InsertRegister({});
  std::ofstream(store_.Dir() + "/Dados/LogImpExpKDS") << "not a folder";
  Result result = Run({"--max-seconds", "60"});
  const std::string cause = "Log folder '" + store_.Dir() + "/Dados/LogImpExpKDS/LogImpExpKDS" +
                            Year() + "': cannot create: Not a directory";
  EXPECT_EQ(3, result.exit_code);
  EXPECT_NE(std::string::npos, result.err.find("a THREAD terminou por erro: " + cause))
      << result.err;
  EXPECT_NE(std::string::npos, result.out.find(" (nao gravado: " + cause + ")\n")) << result.out;
}

TEST_F(HostAgentTest, MissingModuleFailsWithoutStartingAnything) {
  InsertRegister({});
  Result result = Run({"--module", store_.Dir() + "/nao_existe.so"});
  EXPECT_EQ(1, result.exit_code);
  EXPECT_NE(std::string::npos, result.err.find("nao_existe.so"));
  EXPECT_FALSE(fs::exists(store_.Dir() + "/Dados/LogImpExpKDS"));
}

// A few kill -9 rounds on a SAT store, each at a later closing, then a run until idle: every bill
// ends with one sale and one CF-e, and no extract is printed twice.
TEST_F(HostAgentTest, KillNineRoundsEndWithOneSaleAndOneCFePerBillAndNoSecondExtract) {
  vyrtest::TempStore scratch;
  const std::string dir = scratch.Dir() + "/loja";
  ASSERT_EQ(0,
            MakeDemoStore(dir, {"--sat", "--simples", "--pedidos", "8"}, scratch.Dir()).exit_code);
  const std::vector<std::string> args{"run", "--dir",  dir,  "--filial",      "0001", "--caixa",
                                      "001", "--loja", "01", "--max-seconds", "30"};
  const std::string log_dir = dir + "/Dados/LogImpExpKDS";
  const auto closings = [&dir] { return Occurrences(LogOf(dir), "INI-FechaContaNormal("); };
  for (int round = 0; round < 4; ++round) {
    HostProcess host(args, scratch.Dir());
    WaitForWorker(host);
    // Killed once the worker has started its next closing, wherever that closing then is.
    const size_t before = closings();
    WaitForLogWrites(log_dir, [&] { return closings() != before; });
    host.Signal(SIGKILL);
    host.Wait();
  }
  std::vector<std::string> last = args;
  last.push_back("--until-idle");
  ASSERT_EQ(0, RunHost(last, scratch.Dir()).exit_code);
  size_t receipts = 0;
  const std::string outcome = Outcome({dir}, receipts);
  EXPECT_EQ(
      "orders=8 closed=8 sales=8 bills=8 documents=8 issued=8 pending=0 duplicates=0 "
      "receipts<=8",
      outcome + (receipts <= 8 ? " receipts<=8" : " receipts=" + std::to_string(receipts)));
}

// An NFC-e register killed at varying moments of its closings (from the bill's first lines to its
// recording, where its number is drawn): once a last run is idle, every number of the series is
// carried by a note or voided, and none is held for a bill that no longer waits.
TEST_F(HostAgentTest, KillNineRoundsLeaveNoNumberOfTheSeriesBehind) {
  vyrtest::TempStore scratch;
  const std::string dir = scratch.Dir() + "/loja";
  ASSERT_EQ(0,
            MakeDemoStore(dir, {"--simples", "--pedidos", "12", "--schemas", nfcetest::Schemas()},
                          scratch.Dir())
                .exit_code);
  const std::vector<std::string> args{"run", "--dir",  dir,  "--filial",      "0001", "--caixa",
                                      "001", "--loja", "01", "--max-seconds", "30"};
  const std::string log_dir = dir + "/Dados/LogImpExpKDS";
  const auto lines = [&dir] {
    const std::string text = LogOf(dir);
    return std::make_pair(Occurrences(text, "INI-FechaContaNormal("), Occurrences(text, "\n"));
  };
  for (int round = 0; round < 6; ++round) {
    HostProcess host(args, scratch.Dir());
    WaitForWorker(host);
    // Killed `round` log lines after the worker started its next closing.
    const auto before = lines();
    size_t started_at = 0;
    WaitForLogWrites(log_dir, [&] {
      const auto now = lines();
      if (started_at == 0 && now.first > before.first) started_at = now.second;
      return started_at != 0 && now.second >= started_at + static_cast<size_t>(round);
    });
    host.Signal(SIGKILL);
    host.Wait();
  }
  std::vector<std::string> last = args;
  last.push_back("--until-idle");
  ASSERT_EQ(0, RunHost(last, scratch.Dir()).exit_code);
  const std::string db = StoreOf(dir);
  const std::string left = Scalar(
      db,
      "WITH RECURSIVE N(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM N WHERE X < (SELECT "
      "MAX(NRULTDOCFIS) FROM PROXNUMDOCFIS WHERE CDMODDOCFIS = '65')) SELECT COUNT(*) FROM N "
      "WHERE NOT EXISTS (SELECT 1 FROM NFCEVENDA WHERE CAST(NRNFCE AS INTEGER) = X) AND NOT "
      "EXISTS (SELECT 1 FROM NUMDOCRESERV WHERE CDMODDOCFIS = '65' AND IDSITRESERVA = 'voided' "
      "AND CAST(NRDOCFIS AS INTEGER) = X)");
  const std::string held = Scalar(
      db,
      "SELECT COUNT(*) FROM NUMDOCRESERV R WHERE IDSITRESERVA <> 'voided' AND NOT EXISTS "
      "(SELECT 1 FROM NFCEVENDA V WHERE CAST(V.NRNFCE AS INTEGER) = CAST(R.NRDOCFIS AS "
      "INTEGER)) AND NOT EXISTS (SELECT 1 FROM COMANDAVEN C WHERE C.NRCOMANDA = R.NRCOMANDA AND "
      "C.IDIMPCUPEXP = '2')");
  EXPECT_EQ("closed=12 sales=12 left=0 held=0",
            "closed=" + Scalar(db, "SELECT COUNT(*) FROM COMANDAVEN WHERE IDIMPCUPEXP = '3'") +
                " sales=" + Scalar(db, "SELECT COUNT(*) FROM VENDA WHERE IDSITUVENDA = 'A'") +
                " left=" + left + " held=" + held);
}

// Two registers of one store, each in its own host and program directory with its own SAT device
// and printer: each bill is recorded, documented and printed once, draws one number, and each
// host's summary counts the bills it closed.
TEST_F(HostAgentTest, TwoHostsOnOneStoreCloseEachBillOnceAndCountTheirOwn) {
  vyrtest::TempStore scratch;
  const std::string first = scratch.Dir() + "/caixa1", second = scratch.Dir() + "/caixa2";
  ASSERT_EQ(
      0, MakeDemoStore(first, {"--sat", "--simples", "--pedidos", "20"}, scratch.Dir()).exit_code);
  const std::string db = StoreOf(first);
  Exec(db,
       "INSERT INTO CAIXA (CDFILIAL, CDCAIXA, CDLOJA, NMCAIXA, IDTPEMISSAOVYR, IDIMPAUTCUPEXP, "
       "NRSEQIMPRLOJA6) SELECT CDFILIAL, '002', CDLOJA, NMCAIXA, IDTPEMISSAOVYR, "
       "IDIMPAUTCUPEXP, NRSEQIMPRLOJA6 FROM CAIXA WHERE CDCAIXA = '001'; "
       "INSERT INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, NRSERIENFCE, IDMODOAUTORIZ, DSLIBSAT) "
       "SELECT CDFILIAL, '002', NRSERIENFCE, IDMODOAUTORIZ, DSLIBSAT FROM CAIXAFISCAL");
  fs::create_directories(second + "/Dados/SatEmulador");
  fs::copy(first + "/Dados/Cadastros", second + "/Dados/Cadastros");
  std::ofstream(second + "/Dados/SatEmulador/emulador.ini") << "numeroSerie=900000002\n";
  setenv("VYR_CONEXAO", ("sqlite:" + db).c_str(), 1);
  std::string counted;
  {
    HostProcess one({"run", "--dir", first, "--filial", "0001", "--caixa", "001", "--loja", "01",
                     "--until-idle", "--max-seconds", "60"},
                    scratch.Dir());
    HostProcess two({"run", "--dir", second, "--filial", "0001", "--caixa", "002", "--loja", "01",
                     "--until-idle", "--max-seconds", "60"},
                    scratch.Dir());
    for (HostProcess* host : {&one, &two}) {
      const Result result = host->Wait();
      EXPECT_EQ(0, result.exit_code) << result.err;
      counted += LineWith(result.out, "Pedidos fechados:").substr(20) + " ";
    }
  }
  unsetenv("VYR_CONEXAO");
  size_t receipts = 0;
  const std::string outcome = Outcome({first, second}, receipts);
  // One number drawn per bill, however the registers met on the bills, and no claim left.
  const std::string numbers = "|draws=" + Scalar(db, "SELECT SUM(NRULTDOCFIS) FROM PROXNUMDOCFIS") +
                              " claims=" + Scalar(db, "SELECT COUNT(*) FROM RESERVACOMANDA");
  EXPECT_EQ(
      "orders=20 closed=20 sales=20 bills=20 documents=20 issued=20 pending=0 "
      "duplicates=0|receipts=20|" +
          Scalar(db, "SELECT COUNT(*) FROM VENDA WHERE CDCAIXA = '001'") + " " +
          Scalar(db, "SELECT COUNT(*) FROM VENDA WHERE CDCAIXA = '002'") + " |draws=20 claims=0",
      outcome + "|receipts=" + std::to_string(receipts) + "|" + counted + numbers);
}

}  // namespace
}  // namespace hosttest
