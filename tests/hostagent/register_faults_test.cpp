// Faults of the register itself, through `hostagent run` on a demo store: a register that cannot
// sign or check its notes pauses instead of refusing its orders one by one, says so in the log
// and first in `status`, and resumes by itself once mended. Also what is no fault at all: a stop,
// and registers sharing one program directory.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <thread>

#include "fiscal/nfce/note_store.h"
#include "hostagent/store_fixture.h"
#include "support/temp_store.h"
#include "support/test_certificate.h"
#include "vyrutil/crypto.h"

namespace hosttest {
namespace {

namespace fs = std::filesystem;

// Waits (at most a minute) until `ready` holds; the test then checks the state, not the time.
bool WaitFor(const std::function<bool()>& ready) {
  for (int i = 0; i < 600; ++i) {
    if (ready()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return ready();
}

class RegisterFaultsTest : public ::testing::Test {
 protected:
  // A demo NFC-e register (simulated authoriser) with `orders` ordinary orders in scratch_/loja.
  void MakeStore(int orders) {
    ASSERT_EQ(
        0, MakeDemoStore(dir_, {"--simples", "--pedidos", std::to_string(orders)}, scratch_.Dir())
               .exit_code);
    certificate_ = Scalar(db_, "SELECT DSARQCERTIF FROM CAIXAFISCAL");
    if (certificate_.front() != '/') certificate_ = dir_ + "/" + certificate_;
  }
  std::vector<std::string> RunArgs(const std::vector<std::string>& extra) const {
    std::vector<std::string> args{"run", "--dir", dir_};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
  // "sales=<active> cancelled=<n> notes=<n> last number=<n> closed=<n> pending=<n>": a number
  // drawn and left behind shows as a last number above the notes. Without `numbers`, the last
  // number is left out.
  std::string Store(bool numbers = true) const {
    return "sales=" + Scalar(db_, "SELECT COUNT(*) FROM VENDA WHERE IDSITUVENDA = 'A'") +
           " cancelled=" + Scalar(db_, "SELECT COUNT(*) FROM VENDA WHERE IDSITUVENDA <> 'A'") +
           " notes=" + Scalar(db_, "SELECT COUNT(*) FROM NFCEVENDA") +
           (numbers ? " last number=" + Scalar(db_,
                                               "SELECT COALESCE(MAX(CAST(NRNFCE AS INTEGER)), 0) "
                                               "FROM NFCEVENDA")
                    : "") +
           " closed=" + Scalar(db_, "SELECT COUNT(*) FROM COMANDAVEN WHERE IDIMPCUPEXP = '3'") +
           " pending=" + Scalar(db_, "SELECT COUNT(*) FROM COMANDAVEN WHERE IDIMPCUPEXP = '2'");
  }
  std::string StatusHead() const {
    const Result status = RunHost({"status", "--dir", dir_}, scratch_.Dir());
    const std::string out = status.out;
    const size_t second = out.find('\n') + 1;
    return out.substr(second, out.find("THREAD:") - second);
  }

  vyrtest::TempStore scratch_;
  const std::string dir_ = scratch_.Dir() + "/loja";
  const std::string db_ = StoreOf(dir_);
  std::string certificate_;
};

// The certificate taken away while 70 orders wait: the orders being closed end as they would,
// then no order is closed, refused or numbered until it is back, and then every one is closed.
TEST_F(RegisterFaultsTest, ARegisterWhoseCertificateGoesPausesAndClosesEveryOrderOnceItIsBack) {
  MakeStore(70);
  HostProcess host(RunArgs({"--max-seconds", "240"}), scratch_.Dir());
  ASSERT_TRUE(host.WaitForOutput("THREAD iniciada\n"));
  ASSERT_TRUE(WaitFor(
      [&] { return LogOf(dir_).find("Retorno da setConcluifechamento") != std::string::npos; }));
  fs::rename(certificate_, certificate_ + ".fora");
  ASSERT_TRUE(WaitFor([&] { return LogOf(dir_).find(" parado: ") != std::string::npos; }));
  const auto drawn = [&] {
    return Scalar(db_, "SELECT COUNT(*) FROM VENDA") + " sales, " +
           Scalar(db_, "SELECT COUNT(*) FROM NUMDOCRESERV") + " numbers reserved";
  };
  const std::string when_paused = drawn();
  const std::string status_paused = StatusHead();
  // Three of the paused worker's passes go by, each recorded in the register's pass file.
  const std::string passes = dir_ + "/Dados/THREAD_0001_001_01.pass";
  for (int pass = 0; pass < 3; ++pass) {
    const std::string before = ReadFile(passes);
    ASSERT_TRUE(WaitFor([&] { return ReadFile(passes) != before; }));
  }
  const bool still = drawn() == when_paused;
  fs::rename(certificate_ + ".fora", certificate_);
  ASSERT_TRUE(WaitFor([&] {
    return Scalar(db_, "SELECT COUNT(*) FROM COMANDAVEN WHERE IDIMPCUPEXP = '3'") == "70";
  }));
  host.Signal(SIGTERM);
  const Result run = host.Wait();
  const std::string log = LogOf(dir_);
  EXPECT_EQ(
      "still while paused: 1\n"
      "Caixa 0001/001 parado: Certificate file '" +
          certificate_ +
          "' (CAIXAFISCAL.DSARQCERTIF) cannot be read - nenhum pedido é fechado até que seja "
          "corrigido\n"
          "Caixa 0001/001 voltou a fechar pedidos\n"
          "FALHA DO CAIXA:   Certificate file '" +
          certificate_ +
          "' (CAIXAFISCAL.DSARQCERTIF) cannot be read\n"
          "                  nenhum pedido e fechado ate que seja corrigido; corrigida, a THREAD "
          "volta sozinha a fechar os pedidos (README, \"Falhas do caixa\")\n"
          "after: FALHA DO CAIXA lines 0\n"
          "sales=70 cancelled=0 notes=70 last number=70 closed=70 pending=0\n"
          "ERRO 0, aguardando 0, Funcao 0, Falhas registradas: 0",
      "still while paused: " + std::to_string(still) + "\n" + LineOf(log, " parado: ") + "\n" +
          LineOf(log, " voltou a fechar pedidos").substr(0, 38) + "\n" + status_paused +
          "after: FALHA DO CAIXA lines " +
          std::to_string(Occurrences(StatusHead(), "FALHA DO CAIXA")) + "\n" + Store() + "\nERRO " +
          std::to_string(Occurrences(log, "ERRO")) + ", aguardando " +
          std::to_string(Occurrences(log, "aguardando nova tentativa")) + ", Funcao " +
          std::to_string(Occurrences(log, "Qam00417 - Funcao:")) + ", " +
          LineOf(run.out, "Falhas registradas:"))
      << log;
}

// A certificate valid only from ten days ahead, and the official schemas missing: each pauses
// the register with its own line and `status` entry, no order is touched, and the register
// closes its orders once the certificate is replaced and `upgrade-store` installs the schemas.
TEST_F(RegisterFaultsTest, ACertificateNotYetValidAndMissingSchemasPauseTheRegister) {
  MakeStore(3);
  const vyrtest::TestCertificate future = vyrtest::MakeTestCertificate(
      scratch_.Dir(), "futuro", "senha-futura", "11222333000181", 375, 10);
  const auto use_certificate = [&](const std::string& file, const std::string& password) {
    Exec(db_, "UPDATE CAIXAFISCAL SET DSARQCERTIF = '" + file + "', DSSENHACERTIF = '" +
                  VyrUtil::Cripto(password, VyrFiscal::Nfce::kChaveSenhaCertificado) + "'");
  };
  const auto run = [&] {
    fs::remove_all(dir_ + "/Dados/LogImpExpKDS");
    const Result result = RunHost(RunArgs({"--until-idle", "--max-seconds", "60"}), scratch_.Dir());
    const std::string head = StatusHead();
    return std::to_string(result.exit_code) + " " + LineOf(LogOf(dir_), " parado: ") + "\n" +
           head.substr(0, head.find('\n')) + "\n" + Store() + "\n";
  };
  use_certificate(future.pfx_path, "senha-futura");
  std::string outcome = run();
  use_certificate(certificate_, "demo1234");
  fs::remove(dir_ + "/Dados/Schemas/nfe-4.00/leiauteNFe_v4.00.xsd");
  outcome += run();
  outcome +=
      LineOf(RunHost({"upgrade-store", "--dir", dir_}, scratch_.Dir()).out, "Esquemas") + "\n";
  outcome += run();
  outcome = Replaced(Replaced(outcome, future.pfx_path, "FUTURO"), dir_, "DIR");
  // The certificate's first day, as it states it in UTC: ten days ahead, less an hour.
  const std::time_t begins = std::time(nullptr) + 10 * 86400 - 3600;
  char from[16];
  std::strftime(from, sizeof from, "%Y-%m-%d", std::gmtime(&begins));
  const std::string day = from;
  EXPECT_EQ(
      "0 Caixa 0001/001 parado: NFC-e: the certificate 'FUTURO' (CAIXAFISCAL.DSARQCERTIF) is "
      "valid only from " +
          day +
          ": the register cannot sign its notes - nenhum pedido é fechado até que seja "
          "corrigido\n"
          "FALHA DO CAIXA:   NFC-e: the certificate 'FUTURO' (CAIXAFISCAL.DSARQCERTIF) is valid "
          "only from " +
          day +
          ": the register cannot sign its notes\n"
          "sales=0 cancelled=0 notes=0 last number=0 closed=0 pending=3\n"
          "0 Caixa 0001/001 parado: XML schema 'DIR/Dados/Schemas/nfe-4.00/nfe_v4.00.xsd' cannot "
          "be read: line 3: Element '{http://www.w3.org/2001/XMLSchema}include': Failed to load "
          "the document 'DIR/Dados/Schemas/nfe-4.00/leiauteNFe_v4.00.xsd' for inclusion. - nenhum "
          "pedido é fechado até que seja corrigido\n"
          "FALHA DO CAIXA:   XML schema 'DIR/Dados/Schemas/nfe-4.00/nfe_v4.00.xsd' cannot be "
          "read: line 3: Element '{http://www.w3.org/2001/XMLSchema}include': Failed to load the "
          "document 'DIR/Dados/Schemas/nfe-4.00/leiauteNFe_v4.00.xsd' for inclusion.\n"
          "sales=0 cancelled=0 notes=0 last number=0 closed=0 pending=3\n"
          "Esquemas XML da NF-e instalados: 1\n"
          "0 (nenhuma linha com  parado: )\n"
          "\n"
          "sales=3 cancelled=0 notes=3 last number=3 closed=3 pending=0\n",
      outcome);
}

// A SAT device that refuses the register's activation code, which only a sale reveals: the sale
// that met it keeps its document owed (no cancelled sale), no other order is closed, and once
// the code matches again the owed CF-e is issued and the rest closed.
TEST_F(RegisterFaultsTest, ASatDeviceRefusingTheActivationCodePausesTheRegister) {
  ASSERT_EQ(
      0, MakeDemoStore(dir_, {"--sat", "--simples", "--pedidos", "5"}, scratch_.Dir()).exit_code);
  fs::create_directories(dir_ + "/Dados/SatEmulador");
  const auto device_code = [&](const std::string& code) {
    std::ofstream(dir_ + "/Dados/SatEmulador/emulador.ini") << "codigoAtivacao=" << code << "\n";
  };
  const auto run = [&] {
    fs::remove_all(dir_ + "/Dados/LogImpExpKDS");
    const Result result = RunHost(RunArgs({"--until-idle", "--max-seconds", "60"}), scratch_.Dir());
    const std::string status = RunHost({"status", "--dir", dir_}, scratch_.Dir()).out;
    const std::string pass = LineOf(status, "Ultima passagem:");
    return std::to_string(result.exit_code) + " " + LineOf(LogOf(dir_), " parado: ") + "\n" +
           pass.substr(pass.find('(') + 1, pass.find(',') - pass.find('(') - 1) +
           "\nsales=" + Scalar(db_, "SELECT COUNT(*) FROM VENDA WHERE IDSITUVENDA = 'A'") +
           " cancelled=" + Scalar(db_, "SELECT COUNT(*) FROM VENDA WHERE IDSITUVENDA <> 'A'") +
           " owing=" + Scalar(db_, "SELECT COUNT(*) FROM VENDA WHERE IDDOCPENDVENDA IS NOT NULL") +
           " cfe=" + Scalar(db_, "SELECT COUNT(*) FROM VENDACFESAT WHERE NRCFESAT IS NOT NULL") +
           " pending=" + Scalar(db_, "SELECT COUNT(*) FROM COMANDAVEN WHERE IDIMPCUPEXP = '2'") +
           "\n";
  };
  device_code("999999999");
  std::string outcome = run();
  device_code("123456789");
  outcome += run();
  EXPECT_EQ(
      "0 Caixa 0001/001 parado: SAT: the device refuses the register's activation code "
      "(CDATIVACAOSAT of Dados/Cadastros/AberturaCaixa.cds): Codigo de ativacao invalido - "
      "nenhum pedido é fechado até que seja corrigido\n"
      "caixa parado por falha do caixa\n"
      "sales=1 cancelled=0 owing=1 cfe=0 pending=5\n"
      "0 (nenhuma linha com  parado: )\n"
      "nada pendente\n"
      "sales=5 cancelled=0 owing=0 cfe=5 pending=0\n",
      outcome);
}

// SIGTERM while 70 orders are being closed: the stop takes no way out meant for failures (no
// refusal, no cancelled sale, no failure counted), and the next run finishes the work. (Whether a
// stop between a number's draw and its reservation leaves that number behind is the numbering's
// own matter, not asserted here.)
TEST_F(RegisterFaultsTest, AStopWhileClosingIsNoFailureAndTheNextRunFinishesTheWork) {
  MakeStore(70);
  std::string stops;
  for (int round = 0; round < 3; ++round) {
    HostProcess host(RunArgs({"--max-seconds", "120"}), scratch_.Dir());
    ASSERT_TRUE(host.WaitForOutput("THREAD iniciada\n"));
    const size_t before = Occurrences(LogOf(dir_), "INI-FechaContaNormal(");
    WaitFor([&] { return Occurrences(LogOf(dir_), "INI-FechaContaNormal(") > before + 3; });
    host.Signal(SIGTERM);
    const Result run = host.Wait();
    stops += std::to_string(run.exit_code) + " " + LineOf(run.out, "Falhas registradas:") + "|";
  }
  const Result last = RunHost(RunArgs({"--until-idle", "--max-seconds", "120"}), scratch_.Dir());
  const std::string log = LogOf(dir_);
  EXPECT_EQ(
      "0 Falhas registradas: 0|0 Falhas registradas: 0|0 Falhas registradas: 0|\n"
      "Except 0, Funcao 0, ERRO 0, aguardando 0, falhou 0\n"
      "sales=70 cancelled=0 notes=70 closed=70 pending=0",
      stops + "\nExcept " + std::to_string(Occurrences(log, "Except FechaContaNormal")) +
          ", Funcao " + std::to_string(Occurrences(log, "Qam00417 - Funcao:")) + ", ERRO " +
          std::to_string(Occurrences(log, "ERRO")) + ", aguardando " +
          std::to_string(Occurrences(log, "aguardando nova tentativa")) + ", falhou " +
          std::to_string(Occurrences(log, "falhou")) + "\n" + Store(false))
      << log << last.out;
}

// Two registers in one program directory: once the second has started there, each writes its
// own daily log, and every closing's frame holds its own lines only.
TEST_F(RegisterFaultsTest, RegistersSharingAProgramDirectoryKeepTheirFramesApart) {
  MakeStore(40);
  Exec(db_,
       "INSERT INTO CAIXA (CDFILIAL, CDCAIXA, CDLOJA, NMCAIXA, IDTPEMISSAOVYR, IDIMPAUTCUPEXP, "
       "NRSEQIMPRLOJA6) SELECT CDFILIAL, '002', CDLOJA, NMCAIXA, IDTPEMISSAOVYR, IDIMPAUTCUPEXP, "
       "NRSEQIMPRLOJA6 FROM CAIXA WHERE CDCAIXA = '001'; "
       "CREATE TEMP TABLE CF AS SELECT * FROM CAIXAFISCAL WHERE CDCAIXA = '001'; "
       "UPDATE CF SET CDCAIXA = '002', NRSERIENFCE = '2'; "
       "INSERT INTO CAIXAFISCAL SELECT * FROM CF");
  // Register 001 alone first, with nothing to close: the one file.
  Exec(db_, "UPDATE COMANDAVEN SET IDIMPCUPEXP = '9'");
  ASSERT_EQ(0, RunHost(RunArgs({"--caixa", "001", "--until-idle"}), scratch_.Dir()).exit_code);
  Exec(db_, "UPDATE COMANDAVEN SET IDIMPCUPEXP = '2'");
  {
    HostProcess two(RunArgs({"--caixa", "002", "--until-idle", "--max-seconds", "60"}),
                    scratch_.Dir());
    ASSERT_TRUE(two.WaitForOutput("THREAD iniciada\n"));
    HostProcess one(RunArgs({"--caixa", "001", "--until-idle", "--max-seconds", "60"}),
                    scratch_.Dir());
    one.Wait();
    two.Wait();
  }
  // Per file: its name's end, the registers of its frames, and any frame opened inside another.
  std::string files;
  for (const auto& year : fs::directory_iterator(dir_ + "/Dados/LogImpExpKDS")) {
    if (year.path().filename() == "Caixas") continue;
    std::set<std::string> names;
    for (const auto& day : fs::directory_iterator(year.path())) names.insert(day.path());
    for (const std::string& path : names) {
      std::set<std::string> registers;
      std::string nested;
      bool in_frame = false;
      std::istringstream lines(ReadFile(path));
      for (std::string line; std::getline(lines, line);) {
        const size_t ini = line.find("INI-FechaContaNormal(0001, ");
        if (ini != std::string::npos) {
          if (in_frame) nested = " nested";
          in_frame = true;
          registers.insert(line.substr(ini + 27, 3));
        } else if (line.find("FIM-FechaContaNormal(") != std::string::npos) {
          in_frame = false;
        }
      }
      // Which register closed how many orders is the two processes' race: a file holds the
      // frames of its own register only (001 for the one file, used by 001 alone).
      const std::string name = fs::path(path).filename().string().substr(16);
      const std::string own = name == ".txt" ? "001" : name.substr(6, 3);
      std::string others;
      for (const std::string& r : registers) others += r == own ? "" : " " + r;
      files += name + ":" + (others.empty() ? " own" : others) + nested + "|";
    }
  }
  EXPECT_EQ(
      ".txt: own|_0001_001_01.txt: own|_0001_002_01.txt: own|closed=40",
      files + "closed=" + Scalar(db_, "SELECT COUNT(*) FROM COMANDAVEN WHERE IDIMPCUPEXP = '3'"));
}

}  // namespace
}  // namespace hosttest
