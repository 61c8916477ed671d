// The manager's and the accountant's tools through the built hostagent: the month's XML
// archive, and the status page seen in a real headless browser.

#include <gtest/gtest.h>
#include <signal.h>
#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

#include "hostagent/store_fixture.h"
#include "support/temp_store.h"

namespace hosttest {
namespace {

namespace fs = std::filesystem;

// The names of an archive's entries, and its summary.
std::string ZipContents(const std::string& archive) {
  int code = 0;
  zip_t* zip = zip_open(archive.c_str(), ZIP_RDONLY, &code);
  if (zip == nullptr) return "(no archive)\n";
  std::string names, summary;
  for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(zip, i, 0, &st);
    names += std::string(st.name) + "\n";
    if (std::string(st.name) != "resumo.csv") continue;
    summary.resize(st.size);
    zip_file_t* file = zip_fopen_index(zip, i, 0);
    zip_fread(file, summary.data(), st.size);
    zip_fclose(file);
  }
  zip_close(zip);
  return names + summary;
}

// What a headless browser shows of `url` after its scripts ran; "" without a browser.
std::string BrowserDom(const std::string& url, const std::string& profile) {
  const std::string command =
      "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
      "--disable-background-networking --disable-component-update --disable-sync "
      "--user-data-dir=" +
      profile + " --dump-dom " + url + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return "";
  std::string dom;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) dom.append(buffer, n);
  pclose(pipe);
  return dom;
}

// The texts of the elements `tag` (with `attributes`) of a page, one a line.
std::string Texts(const std::string& dom, const std::string& tag, const std::string& attributes) {
  const std::regex element("<" + tag + attributes + ">([^<]*)</" + tag + ">");
  std::string texts;
  for (std::sregex_iterator it(dom.begin(), dom.end(), element), end; it != end; ++it) {
    texts += (*it)[1].str() + "\n";
  }
  return texts;
}

class MonthFilesTest : public ::testing::Test {
 protected:
  void MakeDemo(const std::string& pedidos) {
    ASSERT_EQ(0, MakeDemoStore(dir_,
                               {"--simples", "--pedidos", pedidos, "--schemas",
                                VYR_SOURCE_DIR "/packages/fiscal/nfce/schemas/nfe-4.00"},
                               scratch_.Dir())
                     .exit_code);
    fs::create_directories(dir_ + "/Dados/AutorizadorNFCe");
  }
  // A run until idle with the simulated authoriser in `modo`.
  void RunWorker(const std::string& modo) {
    std::ofstream(dir_ + "/Dados/AutorizadorNFCe/modo") << modo << "\n";
    ASSERT_EQ(0, RunUntilIdle(dir_, scratch_.Dir()).exit_code);
  }
  std::string Db() const { return StoreOf(dir_); }

  vyrtest::TempStore scratch_;
  const std::string dir_ = scratch_.Dir() + "/loja";
};

// A month that crosses a contingency period, with a voided number, a number skipped and an event
// kept beside a note: refused while the contingency note waits for the authority, exported with
// only its summary line when asked to go on, and whole once the note is authorised.
TEST_F(MonthFilesTest, ExportXmlOfAMonthCrossingAContingencyAndAVoidedNumber) {
  MakeDemo("2");
  Exec(Db(),
       "UPDATE COMANDAVEN SET IDIMPCUPEXP = '1' WHERE NRVENDAREST = (SELECT "
       "MAX(NRVENDAREST) FROM COMANDAVEN)");
  RunWorker("autoriza");
  // Two numbers drawn by bills that never closed: one voided, one left behind.
  const std::string last = Scalar(Db(),
                                  "SELECT NRULTDOCFIS FROM PROXNUMDOCFIS WHERE "
                                  "CDMODDOCFIS = '65'");
  Exec(Db(),
       "INSERT INTO NUMDOCRESERV (CDFILIAL, CDMODDOCFIS, NRSERIEDOCFIS, IDAMBDOCFIS, NRDOCFIS, "
       "CDCAIXA, NRVENDAREST, NRCOMANDA, IDSITRESERVA, DTHRRESERVA, DSMOTIVORESERVA) SELECT "
       "CDFILIAL, '65', NRSERIEDOCFIS, IDAMBDOCFIS, NRULTDOCFIS + 1, '001', '9', '9', 'voided', "
       "datetime('now', 'localtime'), '102 Inutilizacao de numero homologado 135260000000001' "
       "FROM PROXNUMDOCFIS WHERE CDMODDOCFIS = '65'");
  Exec(Db(), "UPDATE PROXNUMDOCFIS SET NRULTDOCFIS = NRULTDOCFIS + 2 WHERE CDMODDOCFIS = '65'");
  Exec(Db(), "UPDATE COMANDAVEN SET IDIMPCUPEXP = '2' WHERE IDIMPCUPEXP = '1'");
  RunWorker("offline");
  const std::string first =
      Scalar(Db(), "SELECT CDCHAVENFCE FROM NFCEVENDA WHERE IDTPEMISNFCE = '1'");
  const std::string second =
      Scalar(Db(), "SELECT CDCHAVENFCE FROM NFCEVENDA WHERE IDTPEMISNFCE = '9'");
  const std::string month = Scalar(Db(), "SELECT substr(DSDHEMINFCE, 1, 7) FROM NFCEVENDA");
  const std::string xml = dir_ + "/" +
                          Scalar(Db(),
                                 "SELECT DSARQXMLNFCE FROM NFCEVENDA WHERE "
                                 "IDTPEMISNFCE = '1'");
  // The first note cancelled: its registered event kept beside it.
  std::ofstream(Replaced(xml, ".xml", "-110111-01-procEventoNFe.xml")) << "<procEventoNFe/>";
  const std::string zip = scratch_.Dir() + "/mes.zip";
  std::string state;
  const auto export_month = [&](const std::string& modo, std::vector<std::string> extra) {
    std::vector<std::string> args{"export-xml", "--dir", dir_, "--mes", month, "--saida", zip};
    args.insert(args.end(), extra.begin(), extra.end());
    const Result result = RunHost(args, scratch_.Dir());
    state += modo + ": " + std::to_string(result.exit_code) + "\n" + result.out + result.err +
             ZipContents(zip) + "\n";
    fs::remove(zip);
  };
  export_month("pendente", {});
  export_month("pendente --continuar", {"--continuar"});
  RunWorker("autoriza");
  // A number kept for a bill still waiting: named, and no gap.
  Exec(Db(),
       "INSERT INTO NUMDOCRESERV (CDFILIAL, CDMODDOCFIS, NRSERIEDOCFIS, IDAMBDOCFIS, NRDOCFIS, "
       "CDCAIXA, NRVENDAREST, NRCOMANDA, IDSITRESERVA, DTHRRESERVA) SELECT CDFILIAL, '65', "
       "NRSERIEDOCFIS, IDAMBDOCFIS, NRULTDOCFIS + 1, '001', '9', '0009', 'reserved', "
       "datetime('now', 'localtime') FROM PROXNUMDOCFIS WHERE CDMODDOCFIS = '65'");
  // A number whose voiding the authority refused: the month waits for it too.
  Exec(Db(),
       "INSERT INTO NUMDOCRESERV (CDFILIAL, CDMODDOCFIS, NRSERIEDOCFIS, IDAMBDOCFIS, NRDOCFIS, "
       "CDCAIXA, NRVENDAREST, NRCOMANDA, IDSITRESERVA, DTHRRESERVA, DSMOTIVORESERVA) SELECT "
       "CDFILIAL, '65', NRSERIEDOCFIS, IDAMBDOCFIS, NRULTDOCFIS + 2, '001', '8', '0008', "
       "'refused', datetime('now', 'localtime'), '241 Rejeicao: Um numero da faixa ja foi "
       "utilizado' FROM PROXNUMDOCFIS WHERE CDMODDOCFIS = '65'");
  // The second note's cancellation sent without an answer: the month waits for it.
  const std::string sent =
      dir_ + "/" +
      Replaced(Scalar(Db(),
                      "SELECT DSARQXMLNFCE FROM NFCEVENDA WHERE "
                      "IDTPEMISNFCE = '9'"),
               second + ".xml", "enviado-" + second + "-110111-01-envEvento.xml");
  std::ofstream(sent) << "<envEvento/>";
  export_month("cancelamento sem resposta", {});
  fs::remove(sent);
  Exec(Db(), "DELETE FROM NUMDOCRESERV WHERE IDSITRESERVA = 'refused'");
  export_month("autorizada", {});
  state = std::regex_replace(state, std::regex(R"(\d{4}-\d\d-\d\d[T ]\d\d:\d\d:\d\d)"), "DATA");
  state =
      std::regex_replace(state, std::regex(R"(XML_NFCe_Sat/0001-001-\d{4}-\d\d-\d\d/)"), "DIA/");
  state = Replaced(Replaced(Replaced(state, first, "KEY1"), second, "KEY2"), zip, "ZIP");
  const long n = std::stol(last);
  const auto num = [n](long plus) { return std::to_string(n + plus); };
  const std::string header = "numero;serie;chave;data;total;situacao\r\n";
  const std::string voided = num(1) +
                             ";1;;DATA;;inutilizada: 102 Inutilizacao de numero "
                             "homologado 135260000000001\r\n" +
                             num(2) + ";1;;;;numero sem nota nem inutilizacao\r\n";
  const std::string gap =
      "Aviso: serie 1: numero " + num(2) + " sem nota nem inutilizacao no mes\n";
  EXPECT_EQ(
      "pendente: 10\n" + gap + "hostagent: o mes " + month +
          " tem documentos nao resolvidos junto a SEFAZ:\n  numero " + num(3) +
          " serie 1 (KEY2): nao transmitida (contingencia)\nAguarde a THREAD transmiti-los "
          "(hostagent status) ou use --continuar para exportar assim mesmo; nada foi gravado\n"
          "(no archive)\n\n"
          "pendente --continuar: 0\n" +
          gap +
          "Documentos nao resolvidos (exportados so "
          "no resumo):\n  numero " +
          num(3) +
          " serie 1 (KEY2): nao transmitida (contingencia)\nArquivo: ZIP\nDocumentos: 2; "
          "inutilizacoes: 1; numeros faltando: 1; arquivos XML: 2\n"
          "resumo.csv\nDIA/KEY1-nfeProc.xml\nDIA/KEY1-110111-01-procEventoNFe.xml\n" +
          header + last + ";1;KEY1;DATA;58.90;cancelada\r\n" + voided + num(3) +
          ";1;KEY2;DATA;65.40;nao transmitida (contingencia)\r\n\n"
          "cancelamento sem resposta: 10\n" +
          gap + "hostagent: o mes " + month +
          " tem documentos nao resolvidos junto a SEFAZ:\n  numero " + num(3) +
          " serie 1 (KEY2): autorizada (contingencia), cancelamento enviado sem resposta: rode "
          "hostagent cancel-note da venda de novo: a SEFAZ e consultada pela chave antes de "
          "qualquer novo envio\n  numero " +
          num(5) +
          " serie 1: inutilizacao recusada: 241 Rejeicao: Um numero da faixa ja foi utilizado\n"
          "Aguarde a THREAD transmiti-los (hostagent status) ou use "
          "--continuar para exportar assim mesmo; nada foi gravado\n(no archive)\n\n"
          "autorizada: 0\n" +
          gap +
          "Arquivo: ZIP\nDocumentos: 2; "
          "inutilizacoes: 1; numeros faltando: 1; arquivos XML: 3\n"
          "resumo.csv\nDIA/KEY1-nfeProc.xml\nDIA/KEY1-110111-01-procEventoNFe.xml\n"
          "DIA/KEY2-nfeProc.xml\n" +
          header + last + ";1;KEY1;DATA;58.90;cancelada\r\n" + voided + num(3) +
          ";1;KEY2;DATA;65.40;autorizada (contingencia)\r\n" + num(4) +
          ";1;;DATA;;reservado para a comanda 0009, ainda pendente\r\n\n",
      state);
}

// The page of a register with an order waiting, a certificate that cannot be read and a
// cancellation without an answer, as a browser shows it once its script has laid the report
// out; the server stops on SIGTERM.
TEST_F(MonthFilesTest, TheStatusPageShowsAPendingOrderAndARegisterFault) {
  if (std::system("command -v chromium >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "chromium is not installed (scripts/install-deps installs it)";
  }
  MakeDemo("1");
  Exec(Db(), "UPDATE CAIXAFISCAL SET DSARQCERTIF = 'Dados/sem-certificado.pfx'");
  // A cancellation sent without an answer, as cancel-note leaves it.
  const std::string day = dir_ + "/Dados/XML_NFCe_Sat/0001-001-2026-01-02";
  fs::create_directories(day);
  std::ofstream(day + "/enviado-" + std::string(44, '3') + "-110111-01-envEvento.xml") << "<x/>";
  HostProcess server({"serve", "--dir", dir_, "--porta", "0"}, scratch_.Dir());
  ASSERT_TRUE(server.WaitForOutput("/\n"));
  const std::string url = server.Output().substr(server.Output().find("http://"));
  fs::create_directories(scratch_.Dir() + "/perfil");
  const std::string dom = BrowserDom(url.substr(0, url.size() - 1), scratch_.Dir() + "/perfil");
  server.Signal(SIGTERM);
  const Result stopped = server.Wait();
  const std::string pedido = Scalar(Db(), "SELECT NRCOMANDAEXT FROM COMANDAVEN");
  EXPECT_EQ(
      "Falhas do caixa: 1\nPedidos pendentes: 1\nVendas com documento ou recibo pendente: 0\n"
      "Notas aguardando a SEFAZ: 0\nCancelamentos de NFC-e enviados sem resposta: 1\n"
      "o arquivo DIR/Dados/sem-certificado.pfx (CAIXAFISCAL.DSARQCERTIF) nao pode ser lido\n"
      "pedido na tabela: 1\nrecarga: 1\n"
      "Pagina em http://127.0.0.1:PORT/\nEncerrando: sinal 15\nsaida 0",
      Texts(dom, "h3", "") + Replaced(Texts(dom, "p", R"( class="falha")"), dir_, "DIR") +
          "pedido na tabela: " +
          std::to_string(dom.find("<td>" + pedido + "</td>") != std::string::npos) +
          "\nrecarga: " + std::to_string(dom.find("http-equiv=\"refresh\"") != std::string::npos) +
          "\n" + std::regex_replace(stopped.out, std::regex(R"(:\d+/)"), ":PORT/") + "saida " +
          std::to_string(stopped.exit_code));
}

// A SAT register's month: its CF-e files as the device gave them, and their summary lines.
TEST_F(MonthFilesTest, ExportXmlOfASatRegisterHoldsItsCFeFiles) {
  ASSERT_EQ(
      0, MakeDemoStore(dir_, {"--sat", "--simples", "--pedidos", "2"}, scratch_.Dir()).exit_code);
  RunWorker("autoriza");
  const std::string stamp = Scalar(Db(), "SELECT MIN(DSTIMESTAMPSAT) FROM VENDACFESAT");
  const std::string zip = scratch_.Dir() + "/sat.zip";
  const Result result = RunHost({"export-xml", "--dir", dir_, "--mes",
                                 stamp.substr(0, 4) + "-" + stamp.substr(4, 2), "--saida", zip},
                                scratch_.Dir());
  std::string state = std::to_string(result.exit_code) + "\n" + ZipContents(zip);
  state = std::regex_replace(state, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)"), "DATA");
  state = std::regex_replace(state, std::regex(R"(\d{4}-\d\d-\d\d/CFe\d{44})"), "DIA/CFe");
  state = std::regex_replace(state, std::regex(R"(;\d{44};)"), ";KEY;");
  EXPECT_EQ(
      "0\nresumo.csv\nXML_NFCe_Sat/0001-001-DIA/CFe.xml\nXML_NFCe_Sat/0001-001-DIA/CFe.xml\n"
      "numero;serie;chave;data;total;situacao\r\n"
      "1;900000001;KEY;DATA;58.90;CF-e emitido\r\n2;900000001;KEY;DATA;65.40;CF-e emitido\r\n",
      state);
}

// `run --keep-copies N` removes the receipt copies of old day folders when it starts.
TEST_F(MonthFilesTest, RunKeepCopiesRemovesOldCopiesAtStart) {
  MakeDemo("0");
  const std::string old_copy = dir_ + "/Dados/Impressao/2000-01-01/NFCe1.txt";
  fs::create_directories(fs::path(old_copy).parent_path());
  std::ofstream(old_copy) << "x";
  const Result run = RunUntilIdle(dir_, scratch_.Dir(), {"--keep-copies", "30"});
  const size_t line = run.out.find("Copias de recibos");
  EXPECT_EQ(
      "0 Copias de recibos removidas (mais de 30 dias): 1\n0",
      std::to_string(run.exit_code) + " " +
          (line == std::string::npos ? "-\n"
                                     : run.out.substr(line, run.out.find('\n', line) - line + 1)) +
          std::to_string(fs::exists(old_copy)));
}

}  // namespace
}  // namespace hosttest
