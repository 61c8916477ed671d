// The operator's tools, called in the test's own process with the clock held still: the
// register's status (text and JSON) and the removal of old daily logs.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "hostagent/cancellation_status.h"
#include "hostagent/host_records.h"
#include "hostagent/register_lock.h"
#include "hostagent/reprint_command.h"
#include "hostagent/status_command.h"
#include "hostagent/store_commands.h"
#include "hostagent/store_fixture.h"
#include "rtl/program_dir.h"
#include "support/seams.h"
#include "support/store_builders.h"
#include "support/temp_dir.h"
#include "support/temp_store.h"
#include "vyrutil/crypto.h"
#include "worker/worker_status.h"

namespace hosttest {
namespace {

namespace fs = std::filesystem;

// The bytes of the store's files (the database and its write-ahead log).
std::string Files(const std::string& db) {
  std::string bytes;
  for (const std::string& path : {db, db + "-wal"}) {
    std::ifstream in(path, std::ios::binary);
    bytes += std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  return bytes;
}

// One pending order that failed, holding its document number, one sale whose document and
// receipt are pending (counted once), receipts not printed (owed after the document, refused
// with tries left, refused with none left, cut short by a stop, the contingency DANFE of a note
// issued offline; a printed one and a cancelled sale's are not shown), one note not
// transmitted, a certificate the register's password does not open, and a worker holding the
// lock. The host's clock runs on UTC and the branch's on Sao Paulo time, 3 h behind: the note's
// emission time is the branch's.
TEST(HostTools, StatusShowsWhatIsStuckAndWhy) {
  vyrtest::TempStore store;
  const vyrtest::ScopedTimeZone zone("UTC0");
  vyrtest::ScopedClock clock(rtl::EncodeDate(2026, 3, 10) + rtl::EncodeTime(12, 0, 0, 0));
  vyrtest::InsertBranchStoreRegister(store, "0001", "01", "001", {});
  vyrtest::InsertPendingOrder(store, {});
  store.Exec("UPDATE VENDAREST SET DTHRABERMESA = '2026-03-10 11:50:00'");
  vyrtest::InsertSale(store, "0001", "001", "0000000007", "01", "0000000002",
                      "2026-03-10 00:00:00");
  store.Exec(
      "UPDATE VENDA SET NRCOMANDAVND = '0002', IDDOCPENDVENDA = 'NAOEMITIDO', DTDOCPENDVENDA = "
      "'2026-03-10 11:58:00'");
  for (const char* venda :
       {"0000000008", "0000000009", "0000000010", "0000000011", "0000000012", "0000000013"}) {
    vyrtest::InsertSale(store, "0001", "001", venda, "01", "0000000003", "2026-03-10 00:00:00");
  }
  store.Exec(
      "UPDATE VENDA SET NRCOMANDAVND = SUBSTR(NRSEQVENDA, 7) WHERE NRSEQVENDA > '0000000007'");
  store.Exec("UPDATE VENDA SET IDSITUVENDA = 'C' WHERE NRSEQVENDA = '0000000012'");
  store.Exec(
      "UPDATE VENDA SET IDDOCPENDVENDA = 'CONTING', DTDOCPENDVENDA = '2026-03-10 11:55:00' WHERE "
      "NRSEQVENDA = '0000000013'");
  store.Exec(
      "INSERT INTO VENDACUPOM (CDFILIAL, CDCAIXA, NRSEQVENDA, IDSITUCUPOM, QTTENTCUPOM, "
      "QTREIMPCUPOM, DTHRSITUCUPOM, DSERROCUPOM) VALUES "
      "('0001', '001', '0000000007', 'PENDENTE', 0, 0, '2026-03-10 11:58:00', NULL), "
      "('0001', '001', '0000000008', 'FALHOU', 5, 0, '2026-03-10 11:40:00', 'sem papel'), "
      "('0001', '001', '0000000009', 'IMPRIMINDO', 1, 0, '2026-03-10 11:30:00', NULL), "
      "('0001', '001', '0000000010', 'FALHOU', 2, 0, '2026-03-10 11:59:00', 'porta ocupada'), "
      "('0001', '001', '0000000011', 'IMPRESSO', 1, 0, '2026-03-10 11:00:00', NULL), "
      "('0001', '001', '0000000012', 'FALHOU', 5, 0, '2026-03-10 11:00:00', 'sem papel'), "
      "('0001', '001', '0000000013', 'PENDENTE', 0, 0, '2026-03-10 11:55:00', NULL)");
  store.Exec(
      "INSERT INTO NFCEVENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, CDCHAVENFCE, IDTPEMISNFCE, "
      "IDSITUNFCE, DTHREMISNFCE, QTTENTENVNFCE) VALUES ('0001', '001', '0000000013', ?, '9', "
      "'authorised', '2026-03-10 08:55:00', 0)",
      {std::string(44, '9')});
  store.Exec(
      "INSERT INTO NFCEVENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, CDCHAVENFCE, IDSITUNFCE, "
      "DTHREMISNFCE, QTTENTENVNFCE) VALUES ('0001', '001', '0000000006', ?, 'pending', "
      "'2026-03-10 08:00:00', 2)",
      {std::string(44, '3')});
  // The number the pending order holds (and one voided for it before), one voided for a bill
  // gone (not shown), one whose voiding the authority refused, one sent without an answer and
  // one held for an older bill of the same number, gone.
  store.Exec(
      "INSERT INTO NUMDOCRESERV (CDFILIAL, CDMODDOCFIS, NRSERIEDOCFIS, IDAMBDOCFIS, NRDOCFIS, "
      "CDCAIXA, NRVENDAREST, NRCOMANDA, IDSITRESERVA, DSMOTIVORESERVA) VALUES ('0001', '65', "
      "'1', '2', '27', '001', '0000000001', '0001', 'reserved', NULL), ('0001', '65', '1', '2', "
      "'26', '001', '0000000009', '0009', 'voided', '102 Inutilizacao homologada'), ('0001', "
      "'65', '1', '2', '25', '001', '0000000008', '0008', 'refused', '241 Rejeicao: Um numero "
      "da faixa ja foi utilizado'), ('0001', '65', '1', '2', '28', '001', '0000000001', '0001', "
      "'voided', '102 Inutilizacao homologada'), ('0001', '65', '1', '2', '24', '001', "
      "'0000000007', '0007', 'voiding', NULL), ('0001', '65', '1', '2', '29', '001', "
      "'0000000099', '0001', 'reserved', NULL)");
  std::ofstream(store.Dir() + "/a1.pfx") << "not a certificate";
  store.Exec(
      "INSERT INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, DSARQCERTIF, DSSENHACERTIF) VALUES ('0001', "
      "'001', 'a1.pfx', ?)",
      {VyrUtil::Cripto("segredo", 23)});
  fs::create_directories(store.Dir() + "/Dados/LogImpExpKDS/LogImpExpKDS2026");
  std::ofstream(store.Dir() + "/Dados/LogImpExpKDS/LogImpExpKDS2026/LogImpExpKDS1003.txt")
      << "10/03/2026 11:59:00 - INI-FechaContaNormal(0001, 001, 01, 0001, 0000000001, DLV_0001)\r\n"
         "10/03/2026 11:59:00 - Chamada da setconcluifechamento\r\n"
         "10/03/2026 11:59:01 - Ocorreu um erro durante a gravação da venda: ERRO sem NCM.\r\n"
         "10/03/2026 11:59:01 - Pedido 0001 aguardando nova tentativa em 4 s\r\n"
         "10/03/2026 11:59:01 - FIM-FechaContaNormal(0001, 001, 01, 0001, 0000000001, "
         "DLV_0001)\r\n";
  hostagent::RecordLastPass(store.Dir(), "0001", "001", "01",
                            rtl::EncodeDate(2026, 3, 10) + rtl::EncodeTime(11, 59, 58, 0),
                            Cli_Qam00417::kStatusPendentes);
  hostagent::RegisterLock lock(store.Dir(), "0001", "001", "01");
  const std::string before = Files(store.DbPath());

  const hostagent::StatusReport report =
      hostagent::CollectStatus({store.Dir(), "0001", "001", "01", false});

  const std::string text = hostagent::StatusText(report) + hostagent::StatusJson(report);
  EXPECT_EQ(
      "Caixa:            filial 0001, caixa 001, loja 01 (agora 2026-03-10 12:00:00; na filial "
      "2026-03-10 09:00:00, America/Sao_Paulo)\n"
      "THREAD:           em execucao no processo PID\n"
      "Ultima passagem:  2026-03-10 11:59:58 (pedidos continuam pendentes, processo PID)\n"
      "Certificado:      o arquivo DIR/a1.pfx nao e um certificado PKCS#12 que a senha do "
      "caixa (CAIXAFISCAL.DSSENHACERTIF, ****) abre\n"
      "Pedidos pendentes: 1\n"
      "  pedido , comanda 0001, venda 0000000001, aberto ha 10 min\n"
      "    ultima falha 2026-03-10 11:59:01: Ocorreu um erro durante a gravação da venda: ERRO "
      "sem NCM.\n"
      "    nova tentativa: apos espera de 4 s\n"
      "    numero reservado: NFC-e 27 serie 1 (vai na nota quando o pedido for fechado; "
      "inutilizado se o pedido sair da fila sem nota)\n"
      "Vendas com documento ou recibo pendente: 5\n"
      "  venda 0000000007 (comanda 0002): documento NAOEMITIDO desde 2026-03-10 11:58:00 (ha 2 "
      "min)\n"
      "  venda 0000000013 (comanda 0013): documento CONTING desde 2026-03-10 11:55:00 (ha 5 "
      "min)\n"
      "  venda 0000000007 (comanda 0002): recibo PENDENTE desde 2026-03-10 11:58:00 (ha 2 "
      "min), 0 de 5 tentativas\n"
      "    impresso automaticamente quando o documento for emitido\n"
      "  venda 0000000008 (comanda 0008): recibo FALHOU desde 2026-03-10 11:40:00 (ha 20 min), "
      "5 de 5 tentativas: sem papel\n"
      "    tentativas automaticas esgotadas: imprima com hostagent reprint --dir DIR --filial "
      "0001 --caixa 001 --loja 01 0000000008\n"
      "  venda 0000000009 (comanda 0009): recibo IMPRIMINDO desde 2026-03-10 11:30:00 (ha 30 "
      "min), 1 de 5 tentativas\n"
      "    enviado a impressora sem resultado registrado (uma parada durante a impressao o deixa "
      "assim): impresso de novo automaticamente como 2a via 60 s depois do envio\n"
      "  venda 0000000010 (comanda 0010): recibo FALHOU desde 2026-03-10 11:59:00 (ha 60 s), 2 "
      "de 5 tentativas: porta ocupada\n"
      "    nova tentativa automatica na proxima passagem (ate 5 tentativas)\n"
      "  venda 0000000013 (comanda 0013): recibo PENDENTE desde 2026-03-10 11:55:00 (ha 5 "
      "min), 0 de 5 tentativas\n"
      "    DANFE de contingencia impresso automaticamente na proxima passagem\n"
      "Notas em contingencia nao transmitidas: 1\n"
      "  nota 33333333333333333333333333333333333333333333 (venda 0000000006): pending, "
      "emitida 2026-03-10 08:00:00 (ha 60 min), 2 envios\n"
      "    enviada automaticamente quando o autorizador responder (prazo: 24 h da emissao)\n"
      "Notas recusadas pelo autorizador: 0\n"
      "Numeros de NFC-e a inutilizar: 3\n"
      "  numero 24 serie 1 (comanda 0007): voiding\n"
      "    inutilizacao enviada sem resposta: pedida de novo a cada 10 min, no fechamento de um "
      "pedido ou no inicio do caixa\n"
      "  numero 25 serie 1 (comanda 0008): refused: 241 Rejeicao: Um numero da faixa ja foi "
      "utilizado\n"
      "    inutilizacao recusada pela autoridade e nao pedida de novo: verifique com o suporte se "
      "uma nota usou o numero ou inutilize-o pelo portal da SEFAZ\n"
      "  numero 29 serie 1 (comanda 0001): reserved\n"
      "    liberado se uma nota o levar, senao inutilizado no proximo fechamento de um pedido ou "
      "no inicio do caixa\n"
      "{\"filial\":\"0001\",\"caixa\":\"001\",\"loja\":\"01\",\"agora\":\"2026-03-10 "
      "12:00:00\",\"fuso_filial\":\"America/Sao_Paulo\",\"agora_filial\":\"2026-03-10 "
      "09:00:00\",\"erro_caixa\":null,\"falha_caixa\":null,\"thread\":{\"em_execucao\":true,"
      "\"pid\":\"PID\"},\"ultim"
      "a_passagem\":{\"quando\":\"2026-03-10 11:59:58\",\"situacao\":4,\"situacao_texto\":\"ped"
      "idos continuam pendentes\",\"pid\":\"PID\"},\"certificado\":{\"arquivo\":\"DIR/a1.pfx\","
      "\"validade_utc\":null,\"dias\":null,\"erro\":\"o arquivo DIR/a1.pfx nao e um "
      "certificado PKCS#12 que a senha do caixa (CAIXAFISCAL.DSSENHACERTIF, ****) "
      "abre\"},\"erro_pedidos_pendentes\":null,\"pedidos_pendentes\":[{\"nrvendarest\":\"000000"
      "0001\",\"nrcomanda\":\"0001\",\"pedido\":\"\",\"aberto\":\"2026-03-10 "
      "11:50:00\",\"idade_s\":600,\"ultima_falha\":\"Ocorreu um erro durante a gravação da "
      "venda: ERRO sem NCM.\",\"ultima_falha_quando\":\"2026-03-10 "
      "11:59:01\",\"espera_s\":4,\"aguarda_dados_exportados\":false,\"numero_reservado\":{"
      "\"modelo\":\"65\",\"serie\":\"1\",\"numero\":\"27\"}}],\"erro_vendas_pendentes\":null,"
      "\"vendas_pendentes\":[{\"nrse"
      "qvenda\":\"0000000007\",\"nrvendarest\":\"0000000002\",\"nrcomanda\":\"0002\",\"pendente"
      "\":\"documento\",\"situacao\":\"NAOEMITIDO\",\"desde\":\"2026-03-10 "
      "11:58:00\",\"idade_s\":120,\"tentativas\":null,\"tentativas_max\":null,\"tentativas_esgo"
      "tadas\":false,\"erro\":null,\"acao\":null},{\"nrseqvenda\":\"0000000013\",\"nrvendarest\":"
      "\"0000000003\",\"nrcomanda\":\"0013\",\"pendente\":\"documento\",\"situacao\":\"CONTING\","
      "\"desde\":\"2026-03-10 11:55:00\",\"idade_s\":300,\"tentativas\":null,\"tentativas_max\":"
      "null,\"tentativas_esgotadas\":false,\"erro\":null,\"acao\":null},{\"nrseqvenda\":\"000000"
      "0007\",\"nrvendarest"
      "\":\"0000000002\",\"nrcomanda\":\"0002\",\"pendente\":\"recibo\",\"situacao\":\"PENDENTE"
      "\",\"desde\":\"2026-03-10 11:58:00\",\"idade_s\":120,\"tentativas\":0,\"tentativas_max\""
      ":5,\"tentativas_esgotadas\":false,\"erro\":null,\"acao\":\"impresso automaticamente "
      "quando o documento for emitido\"},{\"nrseqvenda\":\"0000000008\",\"nrvendarest\":\"00000"
      "00003\",\"nrcomanda\":\"0008\",\"pendente\":\"recibo\",\"situacao\":\"FALHOU\",\"desde\""
      ":\"2026-03-10 11:40:00\",\"idade_s\":1200,\"tentativas\":5,\"tentativas_max\":5,\"tentat"
      "ivas_esgotadas\":true,\"erro\":\"sem papel\",\"acao\":\"tentativas automaticas "
      "esgotadas: imprima com hostagent reprint --dir DIR --filial 0001 --caixa 001 --loja 01 "
      "0000000008\"},{\"nrseqvenda\":\"0000000009\",\"nrvendarest\":\"0000000003\",\"nrcomanda"
      "\":\"0009\",\"pendente\":\"recibo\",\"situacao\":\"IMPRIMINDO\",\"desde\":\"2026-03-10 "
      "11:30:00\",\"idade_s\":1800,\"tentativas\":1,\"tentativas_max\":5,\"tentativas_esgotadas"
      "\":false,\"erro\":null,\"acao\":\"enviado a impressora sem resultado registrado (uma "
      "parada durante a impressao o deixa assim): impresso de novo automaticamente como 2a via "
      "60 s depois do "
      "envio\"},{\"nrseqvenda\":\"0000000010\",\"nrvendarest\":\"0000000003\",\"nrcomanda"
      "\":\"0010\",\"pendente\":\"recibo\",\"situacao\":\"FALHOU\",\"desde\":\"2026-03-10 "
      "11:59:00\",\"idade_s\":60,\"tentativas\":2,\"tentativas_max\":5,\"tentativas_esgotadas\""
      ":false,\"erro\":\"porta ocupada\",\"acao\":\"nova tentativa automatica na proxima "
      "passagem (ate 5 tentativas)\"},{\"nrseqvenda\":\"0000000013\",\"nrvendarest\":\"0000000"
      "003\",\"nrcomanda\":\"0013\",\"pendente\":\"recibo\",\"situacao\":\"PENDENTE\",\"desde\":"
      "\"2026-03-10 11:55:00\",\"idade_s\":300,\"tentativas\":0,\"tentativas_max\":5,\"tentati"
      "vas_esgotadas\":false,\"erro\":null,\"acao\":\"DANFE de contingencia impresso automatica"
      "mente na proxima passagem\"}],\"erro_notas_contingencia\":null,\"notas_contingencia\":"
      "[{\"chave\":\"33333333333333333333333333333333333333333333\",\"nrseqvenda\":\"0000000006"
      "\",\"situacao\":\"pending\",\"emitida\":\"2026-03-10 "
      "08:00:00\",\"idade_s\":3600,\"envios\":2,\"motivo\":null,\"acao\":\"enviada "
      "automaticamente quando o autorizador responder (prazo: 24 h da emissao)\"}],"
      "\"erro_notas_recusadas\":null,\"notas_recusadas\":[],\"erro_numeros_a_inutilizar\":"
      "null,\"numeros_a_inutilizar\":[{\"numero\":\"24\",\"serie\":\"1\",\"nrcomanda\":\"0007"
      "\",\"situacao\":\"voiding\",\"motivo\":null,\"acao\":\"inutilizacao enviada sem "
      "resposta: pedida de novo a cada 10 min, no fechamento de um pedido ou no inicio do "
      "caixa\"},{\"numero\":\"25\",\"serie\":\"1\",\"nrcomanda\":\"0008"
      "\",\"situacao\":\"refused\",\"motivo\":\"241 Rejeicao: Um numero da faixa ja foi "
      "utilizado\",\"acao\":\"inutilizacao recusada pela autoridade e nao pedida de novo: "
      "verifique com o suporte se uma nota usou o numero ou inutilize-o pelo portal da "
      "SEFAZ\"},{\"numero\":\"29\",\"serie\":\"1\",\"nrcomanda\":\"0001\",\"situacao\":"
      "\"reserved\",\"motivo\":null,\"acao\":\"liberado se uma nota o levar, senao inutilizado "
      "no proximo fechamento de um pedido ou no inicio do caixa\"}],\"cancelamentos_sem_resposta\":"
      "[],\"erros\":[]}\n",
      Replaced(Replaced(text, store.Dir(), "DIR"), std::to_string(getpid()), "PID"));
  EXPECT_EQ(before, Files(store.DbPath())) << "status changed the store";
}

// A register the store has no CAIXA row for is said to be missing, with nothing of the store's
// other registers or orders.
TEST(HostTools, StatusOfAnUnknownRegisterSaysItIsNotFound) {
  vyrtest::TempStore store;
  vyrtest::InsertBranchStoreRegister(store, "0001", "01", "001", {});
  vyrtest::InsertPendingOrder(store, {});
  std::ostringstream out, err;
  const int code = hostagent::RunStatus({store.Dir(), "0001", "999", "01", false}, out, err);
  EXPECT_EQ(
      "4 [] hostagent: caixa nao encontrado: nenhuma linha de CAIXA para filial 0001, "
      "caixa 999, loja 01\n",
      std::to_string(code) + " [" + out.str() + "] " + err.str());
}

// A part that cannot be read says why in its place, never a default as a fact (no certificate,
// no receipt), and the parts after it are still read.
TEST(HostTools, StatusPartThatCannotBeReadSaysWhyAndTheOthersStillShow) {
  vyrtest::TempStore store;
  const vyrtest::ScopedTimeZone zone("UTC0");
  vyrtest::ScopedClock clock(rtl::EncodeDate(2026, 3, 10) + rtl::EncodeTime(12, 0, 0, 0));
  vyrtest::InsertBranchStoreRegister(store, "0001", "01", "001", {});
  vyrtest::InsertPendingOrder(store, {});
  store.Exec("UPDATE VENDAREST SET DTHRABERMESA = '2026-03-10 11:50:00'");
  store.Exec("DROP TABLE VENDACUPOM");
  store.Exec("DROP TABLE CAIXAFISCAL");
  std::ostringstream out, err;
  const int code = hostagent::RunStatus({store.Dir(), "0001", "001", "01", false}, out, err);
  const std::string json =
      hostagent::StatusJson(hostagent::CollectStatus({store.Dir(), "0001", "001", "01", true}));
  EXPECT_EQ(
      "Caixa:            filial 0001, caixa 001, loja 01 (agora 2026-03-10 12:00:00; na "
      "filial 2026-03-10 09:00:00, America/Sao_Paulo)\n"
      "THREAD:           parada (nenhum processo tem a trava do caixa)\n"
      "Ultima passagem:  nenhuma registrada\n"
      "Certificado:      não foi possível ler o certificado do caixa (CAIXAFISCAL): no "
      "such table: CAIXAFISCAL\n"
      "Pedidos pendentes: 1\n"
      "  pedido , comanda 0001, venda 0000000001, aberto ha 10 min\n"
      "    nenhuma falha no log de hoje e de ontem\n"
      "    nova tentativa: a cada passagem\n"
      "Vendas com documento ou recibo pendente: não foi possível ler os recibos "
      "(VENDACUPOM): no such table: VENDACUPOM\n"
      "Notas em contingencia nao transmitidas: 0\n"
      "Notas recusadas pelo autorizador: 0\n"
      "Numeros de NFC-e a inutilizar: 0\n"
      "{\"filial\":\"0001\",\"caixa\":\"001\",\"loja\":\"01\",\"agora\":\"2026-03-10 "
      "12:00:00\",\"fuso_filial\":\"America/Sao_Paulo\",\"agora_filial\":\"2026-03-10 "
      "09:00:00\",\"erro_caixa\":null,\"falha_caixa\":null,\"thread\":{\"em_execucao\":false,"
      "\"pid\":null},\"ult"
      "ima_passagem\":null,\"certificado\":{\"arquivo\":null,\"validade_utc\":null,\"dias\""
      ":null,\"erro\":\"não foi possível ler o certificado do caixa (CAIXAFISCAL): no such "
      "table: CAIXAFISCAL\"},\"erro_pedidos_pendentes\":null,\"pedidos_pendentes\":[{\"nrve"
      "ndarest\":\"0000000001\",\"nrcomanda\":\"0001\",\"pedido\":\"\",\"aberto\":\"2026-03"
      "-10 11:50:00\",\"idade_s\":600,\"ultima_falha\":null,\"ultima_falha_quando\":null,\""
      "espera_s\":null,\"aguarda_dados_exportados\":false,\"numero_reservado\":null}],\"erro_"
      "vendas_pendentes\":\"não foi possível ler os recibos "
      "(VENDACUPOM): no such table: VENDACUPOM\",\"vendas_pendentes\":[],\"erro_notas_conti"
      "ngencia\":null,\"notas_contingencia\":[],\"erro_notas_recusadas\":null,\"notas_"
      "recusadas\":[],\"erro_numeros_a_inutilizar\":null,"
      "\"numeros_a_inutilizar\":[],\"cancelamentos_sem_resposta\":[],\"erros\":[\"não foi "
      "possível ler os "
      "recibos (VENDACUPOM): no such table: VENDACUPOM\",\"não foi possível ler o "
      "certificado do caixa (CAIXAFISCAL): no such table: CAIXAFISCAL\"]}\n"
      "1",
      out.str() + json + std::to_string(code) + err.str());
}

// A sale's number may be given without its zeros; a cancelled sale has no receipt to print.
TEST(HostTools, ReprintOfACancelledSaleSaysItIsCancelled) {
  vyrtest::TempStore store;
  vyrtest::InsertBranchStoreRegister(store, "0001", "01", "001", {});
  vyrtest::InsertSale(store, "0001", "001", "0000000007", "01", "0000000002",
                      "2026-03-10 00:00:00");
  store.Exec("UPDATE VENDA SET IDSITUVENDA = 'C'");
  std::string erro;
  try {
    hostagent::Reprint({store.Dir(), "0001", "001", "01", "7"});
  } catch (const std::runtime_error& e) {
    erro = e.what();
  }
  EXPECT_EQ(
      "a venda 0000000007 (filial 0001, caixa 001) foi cancelada (VENDA.IDSITUVENDA 'C'): nao "
      "tem recibo",
      erro);
}

// Logs of days before the limit go, with a year folder left empty; the day at the limit, other
// files and names that are no date stay.
TEST(HostTools, OldLogsAreRemovedAndOtherFilesKept) {
  vyrtest::TempDir dir;
  const std::string logs = dir.Path() + "/Dados/LogImpExpKDS/";
  for (const char* file :
       {"LogImpExpKDS2025/LogImpExpKDS3112.txt", "LogImpExpKDS2026/LogImpExpKDS0203.txt",
        "LogImpExpKDS2026/LogImpExpKDS0303.txt", "LogImpExpKDS2026/LogImpExpKDS1003.txt",
        "LogImpExpKDS2026/LogImpExpKDS3102.txt", "LogImpExpKDS2026/notas.txt"}) {
    fs::create_directories(fs::path(logs + file).parent_path());
    std::ofstream(logs + file) << "x";
  }
  const int removed = hostagent::RemoveOldLogs(
      dir.Path(), 7, rtl::EncodeDate(2026, 3, 10) + rtl::EncodeTime(0, 30, 0, 0));
  std::set<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(logs)) {
    names.insert(fs::relative(entry.path(), logs).string());
  }
  std::string left;
  for (const std::string& name : names) left += name + " ";
  EXPECT_EQ(
      "2: LogImpExpKDS2026 LogImpExpKDS2026/LogImpExpKDS0303.txt "
      "LogImpExpKDS2026/LogImpExpKDS1003.txt LogImpExpKDS2026/LogImpExpKDS3102.txt "
      "LogImpExpKDS2026/notas.txt ",
      std::to_string(removed) + ": " + left);
}

// The check before the worker starts: a store short of a column is refused with the command that
// fixes it; a store whose only gap is the bill index, kept out by two active sales of one bill,
// starts with one warning in today's log.
TEST(HostTools, RunRefusesAStoreShortOfTheSchemaAndWarnsOfDuplicatedSales) {
  vyrtest::TempStore store;
  vyrtest::ScopedClock clock(rtl::EncodeDate(2026, 3, 10) + rtl::EncodeTime(12, 0, 0, 0));
  rtl::SetProgramDirectory(store.Dir());
  store.Exec("DROP INDEX UX_VENDA_COMANDA; ALTER TABLE VENDA DROP COLUMN DTDOCPENDVENDA");
  for (const char* sale : {"0000000007", "0000000008"}) {
    store.Exec(
        "INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, NRVENDAREST, NRCOMANDAVND, "
        "IDSITUVENDA) VALUES ('0001', '001', ?, '0000000002', '0002', 'A')",
        {sale});
  }
  std::ostringstream out, err;
  const int outdated = hostagent::CheckStoreSchema(store.Dir(), out, err);
  store.Exec("ALTER TABLE VENDA ADD COLUMN DTDOCPENDVENDA DATETIME");
  const int duplicated = hostagent::CheckStoreSchema(store.Dir(), out, err);
  std::ifstream log(store.Dir() + "/Dados/LogImpExpKDS/LogImpExpKDS2026/LogImpExpKDS1003.txt");
  const std::string logged((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_EQ(
      "9 0\n"
      "hostagent: o banco DIR/Dados/Loja.db nao esta no esquema atual; falta: coluna "
      "VENDA.DTDOCPENDVENDA DATETIME; atualize-o com 'hostagent upgrade-store --dir DIR' (os "
      "dados sao mantidos) e inicie de novo\n"
      "10/03/2026 12:00:00 - AVISO: indice UX_VENDA_COMANDA ausente no banco DIR/Dados/Loja.db: 1 "
      "comanda(s) com mais de uma venda ativa; nada impede uma segunda venda para a mesma comanda "
      "ate o suporte resolve-las ('hostagent upgrade-store --dir DIR' lista as vendas)\r\n",
      Replaced(
          std::to_string(outdated) + " " + std::to_string(duplicated) + "\n" + err.str() + logged,
          store.Dir(), "DIR"));
}

// A cancellation sent without an answer is the register's whose day folders hold its lot; its
// answer, or any other file, is none.
TEST(HostTools, UnansweredCancellationsAreTheRegistersOwn) {
  vyrtest::TempDir dir;
  const std::string key1(44, '1'), key2(44, '2'), key3(44, '3');
  const std::string xml = dir.Path() + "/Dados/XML_NFCe_Sat/";
  for (const std::string& file :
       {"0001-001-2026-03-10/enviado-" + key2 + "-110111-01-envEvento.xml",
        "0001-001-2026-03-11/enviado-" + key1 + "-110111-01-envEvento.xml",
        "0001-002-2026-03-10/enviado-" + key3 + "-110111-01-envEvento.xml",
        "0001-001-2026-03-10/" + key3 + "-110111-01-procEventoNFe.xml",
        "0001-001-2026-03-10/enviado-" + key3 + "-envNFe.xml"}) {
    fs::create_directories(fs::path(xml + file).parent_path());
    std::ofstream(xml + file) << "<x/>";
  }
  std::string found;
  for (const auto& c : hostagent::UnansweredCancellations(dir.Path(), "0001", "001")) {
    found += c.chave.substr(0, 1) + " " + fs::relative(c.arquivo, xml).string() + "\n";
  }
  EXPECT_EQ("1 0001-001-2026-03-11/enviado-" + key1 +
                "-110111-01-envEvento.xml\n2 0001-001-2026-03-10/enviado-" + key2 +
                "-110111-01-envEvento.xml\n",
            found);
}

}  // namespace
}  // namespace hosttest
