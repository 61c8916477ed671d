// Delivery orders closed by the scan with the real fiscal-device and receivables packages, on a
// real store: the order's rows, the sales and the log afterwards.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "datamodule/rdm_imp_exp_kds.h"
#include "external/fiscal_device.h"
#include "external/receivables.h"
#include "fiscal/start_routines.h"
#include "packages/fiscal/nfce_test_support.h"
#include "rtl/fault_point.h"
#include "rtl/program_dir.h"
#include "support/fiscal_builders.h"
#include "support/process_race.h"
#include "support/seams.h"
#include "support/sefaz_stand_in.h"
#include "support/store_builders.h"
#include "support/temp_dir.h"
#include "support/temp_store.h"
#include "vyrutil/crypto.h"
#include "worker/dispara_imp_ped_exp_kds.h"
#include "worker/log_imp_exp_kds.h"
#include "worker/worker_control.h"

namespace {

constexpr const char* kFilial = "0001";
constexpr const char* kLoja = "01";
constexpr const char* kCaixa = "001";

class EndToEndTest : public ::testing::Test {
 protected:
  EndToEndTest() {
    unsetenv("VYR_CONEXAO");
    unsetenv("VYR_SAT_EMULADOR_DIR");
    rtl::SetProgramDirectory(store_.Dir());
    VyrFiscal::ConexaoFiscal().Close();
    if (VyrRecebimento::rdmRecebimento != nullptr) {
      VyrRecebimento::rdmRecebimento->adcRecebimento.Close();
    }
    vyrtest::InsertBranchStoreRegister(store_, kFilial, kLoja, kCaixa);
    vyrtest::InsertFiscalBranch(store_, kFilial);
    vyrtest::InsertFiscalProduct(store_, kFilial, {});
    store_.Exec(
        "INSERT INTO TURCAIXA (CDFILIAL, CDCAIXA, DTABERCAIX, CDOPERABER) VALUES (?, ?, ?, ?)",
        {kFilial, kCaixa, vyrtest::ClockDayText().substr(0, 10) + " 08:00:00", "CAIXA1"});
    dm_ = std::make_unique<Cli_Qam00417::TrdmImpExpKds>();
    dm_->cdEmpresa = "0001";
    dm_->idTipoEmissao = "E";
    dm_->idExtConsOnline = "N";
    dm_->dtAberturaCaixa = rtl::Date() + 8.0 / 24;
    dm_->dtMovimento = rtl::Date();
    rtl::TClientDataSet& layout = dm_->cdsConfTipoReceRev;
    layout.CreateDataSet();
    layout.Append();
    layout.FieldByName("CDTIPORECE").SetAsString("001");
    layout.FieldByName("NMTIPORECE").SetAsString("DINHEIRO");
    layout.FieldByName("IDTIPORECE").SetAsString("1");
    layout.FieldByName("CDFPIMPFIS").SetAsString("01");
    layout.Post();
    bill_.items = {{"001", "1001", 2, 12.5, 1, 0, false}, {"002", "1001", 1, 12.5, 0, 0, true}};
  }
  ~EndToEndTest() override {
    dm_.reset();
    VyrFiscal::ConexaoFiscal().Close();
    if (VyrRecebimento::rdmRecebimento != nullptr) {
      VyrRecebimento::rdmRecebimento->adcRecebimento.Close();
    }
    rtl::SetProgramDirectory("");
  }

  // The bill with a note on its first item and one cash payment of `paid`.
  void InsertBill(double paid = 24, const std::string& cdtiporece = "001") {
    vyrtest::InsertDeliveryBill(store_, bill_);
    store_.Exec(
        "INSERT INTO OBSITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDGRPOCOR, "
        "CDOCORR) VALUES (?, ?, ?, '001', 'G1', 'SEM CEBOLA')",
        {kFilial, bill_.nrvendarest, bill_.nrcomanda});
    vyrtest::BillPayment cash;
    cash.value = paid;
    cash.cdtiporece = cdtiporece;
    vyrtest::InsertDeliveryPayments(store_, bill_, {cash});
  }

  void Pass() { dm_->VerificaPedidosExpKDS(kFilial, kCaixa, kLoja); }
  // A pass as the worker runs it: the scan, then the document pass.
  void WorkerPass() {
    Pass();
    dm_->EmiteDocumentosPendentes(kFilial, kCaixa);
  }

  // Runs a worker pass in a child process that ends at the fault point `step` as a crash there
  // would end it; answers the child's exit ("9" when it ended at the step).
  std::string CrashAt(const std::string& step) {
    CloseConnections();
    const std::vector<vyrtest::ChildResult> child = vyrtest::RunInProcesses(1, [this, step] {
      rtl::OnFaultPoint = [step](const std::string& at) {
        if (at == step) _exit(9);
      };
      WorkerPass();
      return std::string();
    });
    return vyrtest::Exits(child);
  }

  void CloseConnections() {
    dm_->adcImpExpKds.Close();
    VyrFiscal::ConexaoFiscal().Close();
    if (VyrRecebimento::rdmRecebimento != nullptr) {
      VyrRecebimento::rdmRecebimento->adcRecebimento.Close();
    }
  }

  // What the SAT register issued and printed for its sales: "cfe=1 issued=1 receipts=1 doc=\\N
  // receipt=IMPRESSO", with the CF-e stored, those the emulator issued, the extracts in the
  // printer's file, the sale's document state and its receipt's print state.
  std::string SatDocuments() const {
    std::ifstream ini(store_.Dir() + "/Dados/SatEmulador/emulador.ini");
    std::string issued = "0";
    for (std::string line; std::getline(ini, line);) {
      if (line.rfind("ultimoCFe=", 0) == 0) issued = line.substr(10);
    }
    std::ifstream prn(store_.Dir() + "/recibo.prn", std::ios::binary);
    const std::string printed((std::istreambuf_iterator<char>(prn)), {});
    int receipts = 0;
    for (size_t at = printed.find("Extrato No. "); at != std::string::npos;
         at = printed.find("Extrato No. ", at + 1)) {
      ++receipts;
    }
    return "cfe=" + std::to_string(store_.Count("VENDACFESAT", "NRCFESAT IS NOT NULL")) +
           " issued=" + issued + " receipts=" + std::to_string(receipts) +
           " doc=" + store_.Scalar("SELECT IDDOCPENDVENDA FROM VENDA") +
           " receipt=" + store_.Scalar("SELECT IDSITUCUPOM FROM VENDACUPOM");
  }

  // The papers in the printer's file that say they are a second copy ("2ª VIA" in PC860).
  int SecondCopies() const {
    std::ifstream prn(store_.Dir() + "/recibo.prn", std::ios::binary);
    const std::string printed((std::istreambuf_iterator<char>(prn)), {});
    int copies = 0;
    for (size_t at = printed.find("2\xa6 VIA"); at != std::string::npos;
         at = printed.find("2\xa6 VIA", at + 1)) {
      ++copies;
    }
    return copies;
  }

  // A SAT register (the package's emulator) whose receipts go to the file recibo.prn.
  void SatRegister(const std::string& cdAtivacaoSat) {
    store_.Exec("UPDATE CAIXA SET IDTPEMISSAOVYR = 'SAT'");
    store_.Exec("INSERT INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, DSLIBSAT) VALUES (?, ?, ?)",
                {kFilial, kCaixa, "libVyrSatEmulador.so"});
    dm_->boVyrSat = true;
    dm_->idTipoEmissao = "S";
    dm_->idUtilSatComp = "N";
    dm_->cdAtivacaoSat = cdAtivacaoSat;
    dm_->dsPastaXml = store_.Dir() + "/Dados/XML_NFCe_Sat/0001-001/";
    dm_->nrSeqImprLoja6 = "001";
    dm_->idTipoImpNf6 = "19";
    dm_->cdPortaImpNf6 = "file:recibo.prn";
  }

  // An NFC-e register with a throwaway certificate; `mode` "offline" leaves the package's
  // simulated authoriser without answer.
  void NfceRegister(const std::string& mode) {
    store_.Exec("UPDATE CAIXA SET IDTPEMISSAOVYR = 'FNC'");
    std::filesystem::copy_file(nfcetest::Certificate().pfx_path, store_.Dir() + "/Dados/a1.pfx");
    nfcetest::InstallSchemas(store_.Dir());
    store_.Exec(
        "INSERT OR REPLACE INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, NRSERIENFCE, IDCSCNFCE, "
        "CDCSCNFCE, DSARQCERTIF, DSSENHACERTIF, IDMODOAUTORIZ, DSURLQRCODE) VALUES "
        "('0001', '001', '1', '1', 'CSC-DE-TESTE', 'Dados/a1.pfx', ?, ?, "
        "'https://nfce.sefaz.example/qrcode')",
        {VyrUtil::Cripto(nfcetest::Certificate().password, VyrFiscal::Nfce::kChaveSenhaCertificado),
         mode});
    dm_->boVyrNfce = true;
    dm_->idTipoEmissao = "N";
    dm_->idAmbTrabNfce = "2";
    dm_->dsPastaXml = store_.Dir() + "/Dados/XML_NFCe_Sat/0001-001/";
    dm_->nrSeqImprLoja6 = "001";
    dm_->idTipoImpNf6 = "19";
    dm_->cdPortaImpNf6 = "file:recibo.prn";
  }

  // The situation of every NFC-e of the store.
  std::string Notes() const {
    std::string text;
    for (const auto& row : store_.Query("SELECT IDSITUNFCE FROM NFCEVENDA")) text += row[0] + " ";
    return text;
  }

  bool Exists(const std::string& path) const { return std::filesystem::exists(path); }

  // The bill's state and the store's sales: "IDIMPCUPEXP=3 IDSTCOMANDA=P sales=A:1".
  std::string State() const {
    const vyrtest::Rows bill = store_.Query(
        "SELECT IDIMPCUPEXP, IDSTCOMANDA FROM COMANDAVEN WHERE NRCOMANDA = ?", {bill_.nrcomanda});
    std::string text =
        bill.empty() ? "removed" : "IDIMPCUPEXP=" + bill[0][0] + " IDSTCOMANDA=" + bill[0][1];
    text += " sales=";
    for (const auto& row :
         store_.Query("SELECT IDSITUVENDA, COUNT(*) FROM VENDA GROUP BY IDSITUVENDA ORDER BY 1")) {
      text += row[0] + ":" + row[1] + " ";
    }
    return text;
  }

  // The log's messages without their date-time, one per line, with the fiscal closing's answer
  // shown as <NRSEQVENDA> when it is the number of a recorded sale.
  std::string Log() const {
    const std::string retorno = "Retorno da setConcluifechamento: ";
    std::ifstream in(Cli_Qam00417::LogImpExpKDSPath(), std::ios::binary);
    std::string text;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::string message = line.substr(line.find(" - ") + 3);
      if (message.compare(0, retorno.size(), retorno) == 0 &&
          store_.Count("VENDA", "NRSEQVENDA = ?", {message.substr(retorno.size())}) > 0) {
        message = retorno + "<NRSEQVENDA>";
      }
      text += message + "\n";
    }
    return text;
  }

  // The log's lines that contain one of `parts`, in order.
  std::string LogLines(const std::vector<std::string>& parts) const {
    std::string lines;
    const std::string log = Log();
    for (size_t at = 0; at < log.size(); at = log.find('\n', at) + 1) {
      const std::string line = log.substr(at, log.find('\n', at) - at);
      for (const std::string& part : parts) {
        if (line.find(part) != std::string::npos) {
          lines += line + "\n";
          break;
        }
      }
    }
    return lines;
  }

  // IDIMPCUPEXP of every bill: "0001:0 0002:0".
  std::string Queue() const {
    std::string text;
    for (const auto& row :
         store_.Query("SELECT NRCOMANDA, IDIMPCUPEXP FROM COMANDAVEN ORDER BY NRCOMANDA")) {
      text += (text.empty() ? "" : " ") + row[0] + ":" + row[1];
    }
    return text;
  }

  vyrtest::TempStore store_;
  std::unique_ptr<Cli_Qam00417::TrdmImpExpKds> dm_;
  vyrtest::DeliveryBill bill_;
};

const char* const kClosed =
    "VerificaPedidosExpKDS @\ncdsPedidosExpKDS.RecordCount = 1\nNRPEDIDOVYR: A1B2C3D4\n"
    "INI-FechaContaNormal(0001, 001, 01, 0001, 0000000001, DLV_0001)\n"
    "Numero da comanda:0001\nChamada da setconcluifechamento\n"
    "Chama funcao setVendaComanda: P\nRetorno da setConcluifechamento: <NRSEQVENDA>\n"
    "FIM-FechaContaNormal(0001, 001, 01, 0001, 0000000001, DLV_0001)\n\n";

// A register with neither NFC-e nor SAT: no document and no receipt. A lower-case "s" in
// IDRETBALLOJA is not a store return.
TEST_F(EndToEndTest, AnOrderWithItemsNotesAndPaymentsBecomesASale) {
  bill_.idretballoja = "s";
  InsertBill();
  Pass();
  EXPECT_EQ(std::string(kClosed) + "|IDIMPCUPEXP=3 IDSTCOMANDA=P sales=A:1 ",
            Log() + "|" + State());
}

TEST_F(EndToEndTest, AnOrderWhoseBillWasRecordedOnAnEarlierDayIsNotRecordedAgain) {
  InsertBill();
  Pass();
  store_.Exec("UPDATE VENDA SET DTENTRVENDA = ?", {vyrtest::DayText(-1)});
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '2', IDSTCOMANDA = '1'");
  Pass();
  EXPECT_EQ(std::string(kClosed) + kClosed + "|IDIMPCUPEXP=3 IDSTCOMANDA=P sales=A:1 ",
            Log() + "|" + State());
}

TEST_F(EndToEndTest, AnOrderWhoseSaleOfAnEarlierDayIsOfAnotherBillIsClosed) {
  InsertBill();
  vyrtest::InsertSale(store_, kFilial, kCaixa, "0000000900", kLoja, bill_.nrvendarest,
                      vyrtest::DayText(-1));
  Pass();
  EXPECT_EQ(std::string(kClosed) + "|IDIMPCUPEXP=3 IDSTCOMANDA=P sales=A:2 ",
            Log() + "|" + State());
}

TEST_F(EndToEndTest, ABillWithTwoOrderNumbersIsMetTwiceAndRecordedOnce) {
  InsertBill();
  store_.Exec("UPDATE ITCOMANDAVEN SET NRPEDIDOVYR = 'Z9' WHERE NRPRODCOMVEN = '002'");
  Pass();
  EXPECT_EQ(
      "NRPEDIDOVYR: A1B2C3D4\n"
      "INI-FechaContaNormal(0001, 001, 01, 0001, 0000000001, DLV_0001)\n"
      "Chama funcao setVendaComanda: P\nNRPEDIDOVYR: Z9\nChama funcao setVendaComanda: X\n"
      "|IDIMPCUPEXP=3 IDSTCOMANDA=X sales=A:1 ",
      LogLines({"NRPEDIDOVYR", "INI-", "setVendaComanda"}) + "|" + State());
}

// A product without NCM: the package refuses the sale; it is recorded cancelled once, and the
// next pass a moment later leaves the order alone.
TEST_F(EndToEndTest, ARefusedSaleIsRecordedCancelledOnceAndTheOrderWaits) {
  vyrtest::FiscalProduct semNcm;
  semNcm.ncm = "";
  vyrtest::InsertFiscalProduct(store_, kFilial, semNcm);
  InsertBill();
  Pass();
  Pass();
  EXPECT_EQ(
      "INI-FechaContaNormal(0001, 001, 01, 0001, 0000000001, DLV_0001)\n"
      "Pedido 0001 aguardando nova tentativa em 1 s\n|IDIMPCUPEXP=2 IDSTCOMANDA=1 sales=C:1 ",
      LogLines({"INI-", "aguardando"}) + "|" + State());
}

// The store's tables out of reach for one pass (renamed away and back): the pass logs the
// failure and ends; the next one closes the order, once.
TEST_F(EndToEndTest, APassThatCannotReadTheStoreLogsAndTheNextOneClosesTheOrderOnce) {
  InsertBill();
  store_.Exec("ALTER TABLE CAIXA RENAME TO CAIXA_FORA");
  Pass();
  store_.Exec("ALTER TABLE CAIXA_FORA RENAME TO CAIXA");
  Pass();
  EXPECT_EQ("no such table: CAIXA - Qam00417 - Funcao:VerificaPedidosExpKDS\n" +
                std::string(kClosed) + "|IDIMPCUPEXP=3 IDSTCOMANDA=P sales=A:1 ",
            Log() + "|" + State());
}

TEST_F(EndToEndTest, APaymentTypeMissingFromTheLayoutKeepsTheOrderPendingPassAfterPass) {
  InsertBill(24, "099");
  Pass();
  Pass();
  EXPECT_EQ(
      "O tipo de recebimento 099 não está cadastrado no Layout do Caixa.\n"
      "O tipo de recebimento 099 não está cadastrado no Layout do Caixa.\n"
      "|IDIMPCUPEXP=2 IDSTCOMANDA=1 sales=",
      LogLines({"tipo de recebimento"}) + "|" + State());
}

// Bill 0001 is paid 20 for items of 24; bill 0002 is paid on the account of a consumer without
// credit. Both leave the queue in the same pass, and no sale is recorded.
TEST_F(EndToEndTest, TotalsThatDifferAndARefusedBalanceTakeTheOrdersOffTheQueue) {
  rtl::TClientDataSet& layout = dm_->cdsConfTipoReceRev;
  layout.Append();
  layout.FieldByName("CDTIPORECE").SetAsString("009");
  layout.FieldByName("IDTIPORECE").SetAsString("9");
  layout.Post();
  InsertBill(20);
  bill_.nrvendarest = "0000000002";
  bill_.nrcomanda = "0002";
  bill_.dscomanda = "DLV_0002";
  InsertBill(24, "009");
  Pass();
  EXPECT_EQ(
      "Valores gravados nas tabelas ITCOMANDAVEN e MOVCAIXADLV estão divergentes.\n"
      "Execute do acmUpdCupExp\n"
      "Saldo insuficiente para o consumidor CONS1: disponível R$ 0,00, venda R$ 24,00 - "
      "Qam00417 - setValidaSaldoCons\n"
      "Execute do acmUpdCupExp\n"
      "|0001:0 0002:0|sales=0",
      LogLines({"divergentes", "setValidaSaldoCons", "acmUpdCupExp"}) + "|" + Queue() +
          "|sales=" + std::to_string(store_.Count("VENDA")));
}

TEST_F(EndToEndTest, ABillThatIsNotAnOpenDeliveryBillStaysPending) {
  bill_.dscomanda = "MESA_0001";
  InsertBill();
  Pass();
  EXPECT_EQ("Pedido não localizado - numero: 0001\n|IDIMPCUPEXP=2 IDSTCOMANDA=1 sales=",
            LogLines({"localizado"}) + "|" + State());
}

TEST_F(EndToEndTest, ASatOrderBecomesASaleWithItsCFeAndItsExtract) {
  SatRegister("123456789");
  InsertBill();
  Pass();
  const std::string chave = store_.Scalar("SELECT NRCHAVECFE FROM VENDACFESAT");
  EXPECT_EQ(
      "IDIMPCUPEXP=3 IDSTCOMANDA=P sales=A:1 |xml|receipt|Preenche cdsParamImpCup com a "
      "chave: " +
          chave + "\n",
      State() + "|" +
          (Exists(store_.Dir() + "/" + store_.Scalar("SELECT DSARQXMLCFE FROM VENDACFESAT"))
               ? "xml"
               : "no xml") +
          "|" + (Exists(store_.Dir() + "/recibo.prn") ? "receipt" : "no receipt") + "|" +
          LogLines({"Preenche cdsParamImpCup"}));
}

// A sale the device refuses (the branch's CNPJ is not one): the recorded sale is marked as
// waiting for its document, and the next pass finds the sale of today and only marks the order.
TEST_F(EndToEndTest, ASatRefusalChangesTheSaleAndTheNextPassMarksTheOrder) {
  SatRegister("123456789");
  store_.Exec("UPDATE FILIAL SET NRINSJURFILI = '123'");
  InsertBill();
  Pass();
  Pass();
  EXPECT_EQ(
      "raise Exception.create SAT: Erro de validacao do conteudo: CNPJ do emitente invalido\n"
      "Erro de validacao do conteudo: CNPJ do emitente invalido - Qam00417 - "
      "Funcao:FechaContaNormal\n"
      "Except FechaContaNormal\nChama funcao setVendaComanda: X\n"
      "|IDIMPCUPEXP=3 IDSTCOMANDA=X sales=A:1 |IDDOCPENDVENDA=SAT",
      LogLines({"SAT:", "Funcao:", "Except", "setVendaComanda"}) + "|" + State() +
          "|IDDOCPENDVENDA=" + store_.Scalar("SELECT IDDOCPENDVENDA FROM VENDA"));
}

// A Simples Nacional branch, a marketplace order delivered to a consumer without CPF, paid by
// card: the note (checked against the official schema when it is made) declares CSOSN, the
// intermediary, home delivery with the order's number and town, and the card's payment code.
TEST_F(EndToEndTest, AnNfceOrderIsAuthorisedItsReceiptPrintedAndItsStoreReturnMarked) {
  NfceRegister("simulado");
  vyrtest::FiscalBranch simples;
  simples.regime = "1";
  vyrtest::InsertFiscalBranch(store_, kFilial, simples);
  store_.Exec("INSERT INTO INTERMEDVENDA VALUES (?, 'IFOOD', '14380200000121', 'LOJA-77')",
              {kFilial});
  rtl::TClientDataSet& layout = dm_->cdsConfTipoReceRev;
  layout.Append();
  layout.FieldByName("CDTIPORECE").SetAsString("002");
  layout.FieldByName("NMTIPORECE").SetAsString("CARTAO DE CREDITO");
  layout.FieldByName("IDTIPORECE").SetAsString("2");
  layout.FieldByName("CDFPIMPFIS").SetAsString("03");
  layout.Post();
  bill_.idretballoja = "S";
  InsertBill(24, "002");
  store_.Exec(
      "UPDATE COMANDAVEN SET IDORGCMDVENDA = 'IFOOD', NRENDECONSCOM = '1000', "
      "NMMUNICONSCOM = 'SAO PAULO'");
  Pass();
  const std::string note =
      nfcetest::ReadFile(store_.Dir() + "/" + store_.Scalar("SELECT DSARQXMLNFCE FROM NFCEVENDA"));
  std::string declared;
  for (const char* element :
       {"CRT", "CSOSN", "indPres", "indIntermed", "enderDest", "tPag", "card", "infIntermed"}) {
    declared += nfcetest::Element(note, element) + "\n";
  }
  declared += note.find("<dest><idEstrangeiro/>") != std::string::npos ? "no CPF" : "CPF?";
  EXPECT_EQ(
      "IDIMPCUPEXP=3 IDSTCOMANDA=X sales=A:1 |authorised |receipt\n"
      "<CRT>1</CRT>\n<CSOSN>102</CSOSN>\n<indPres>4</indPres>\n<indIntermed>1</indIntermed>\n"
      "<enderDest><xLgr>AV PAULISTA 1000</xLgr><nro>1000</nro><xCpl>AP 12</xCpl>"
      "<xBairro>JARDINS</xBairro><cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF>"
      "<CEP>01310100</CEP><cPais>1058</cPais><xPais>Brasil</xPais></enderDest>\n"
      "<tPag>03</tPag>\n<card><tpIntegra>2</tpIntegra></card>\n"
      "<infIntermed><CNPJ>14380200000121</CNPJ><idCadIntTran>LOJA-77</idCadIntTran>"
      "</infIntermed>\nno CPF",
      State() + "|" + Notes() + "|" +
          (Exists(store_.Dir() + "/recibo.prn") ? "receipt" : "no receipt") + "\n" + declared);
}

// A register with no mode talks to the state's services (here the local stand-in its settings
// name): the order's note is authorised and printed, and a number left behind by a bill that is
// gone is voided once, before the new number is used.
TEST_F(EndToEndTest, AnNfceOrderReachesTheStatesServicesAndANumberLeftBehindIsVoidedOnce) {
  vyrtest::TempDir certs("vyr_standin");
  vyrtest::SefazStandIn standIn(certs.Path(), nfcetest::Certificate().ca_pem_path,
                                nfcetest::Schemas());
  NfceRegister("");
  store_.Exec("UPDATE CAIXAFISCAL SET DSURLWSNFCE = ?, DSARQCADEIAWS = ?",
              {standIn.Url(), standIn.CaBundle()});
  store_.Exec(
      "INSERT INTO NUMDOCRESERV (CDFILIAL, CDMODDOCFIS, NRSERIEDOCFIS, IDAMBDOCFIS, NRDOCFIS, "
      "CDCAIXA, NRVENDAREST, NRCOMANDA, IDSITRESERVA) VALUES ('0001', '65', '1', '2', '77', "
      "'001', '0000000099', '0099', 'reserved')");
  InsertBill();
  Pass();
  Pass();
  std::string numbers;
  for (const auto& row :
       store_.Query("SELECT NRDOCFIS, IDSITRESERVA FROM NUMDOCRESERV ORDER BY IDSITRESERVA")) {
    numbers += row[0] + " " + row[1] + ";";
  }
  EXPECT_EQ("IDIMPCUPEXP=3 IDSTCOMANDA=P sales=A:1 |authorised |receipt|" +
                store_.Scalar("SELECT NRNFCE FROM NFCEVENDA") +
                " reserved;77 voided;|NFeInutilizacao4 102\nNFeAutorizacao4 100\n",
            State() + "|" + Notes() + "|" +
                (Exists(store_.Dir() + "/recibo.prn") ? "receipt" : "no receipt") + "|" + numbers +
                "|" + standIn.Calls());
}

// The series' counter, the bill's reservations and the notes' numbers: "counter 1|reserved
// 1;|notes 1 authorised;".
std::string Numbering(const vyrtest::TempStore& store) {
  std::string text = "counter " + store.Scalar("SELECT MAX(NRULTDOCFIS) FROM PROXNUMDOCFIS") + "|";
  for (const auto& row :
       store.Query("SELECT IDSITRESERVA, NRDOCFIS FROM NUMDOCRESERV ORDER BY NRDOCFIS")) {
    text += row[0] + " " + row[1] + ";";
  }
  text += "|notes";
  for (const auto& row : store.Query("SELECT NRNFCE, IDSITUNFCE FROM NFCEVENDA ORDER BY 1")) {
    text += " " + row[0] + " " + row[1] + ";";
  }
  return text;
}

// A stop between the draw of the bill's number and its reservation draws nothing: the next
// closing draws the same number, and the series has no gap to void.
TEST_F(EndToEndTest, ACrashBetweenTheDrawAndItsReservationLeavesNoNumberBehind) {
  NfceRegister("simulado");
  InsertBill();
  const std::string exit = CrashAt(rtl::kFalhaNumeroSorteado);
  const std::string crashed = Numbering(store_);
  WorkerPass();
  EXPECT_EQ(
      "9|counter \\N||notes|IDIMPCUPEXP=3 IDSTCOMANDA=P sales=A:1 |counter 1|reserved 1;|notes 1 "
      "authorised;",
      exit + "|" + crashed + "|" + State() + "|" + Numbering(store_));
}

// A bill deleted while it is being closed (here when its sale's number is drawn, after the bill
// was read) is not sold: the log says why, and the number drawn for it is voided by the next
// closing, before that one's own number is used.
TEST_F(EndToEndTest, ABillDeletedWhileItIsClosedIsNotSoldAndItsNumberIsVoided) {
  NfceRegister("simulado");
  InsertBill();
  // Deleted by another hand once its document number is reserved, before its sale is written.
  store_.Exec(
      "CREATE TRIGGER APAGA AFTER INSERT ON NUMDOCRESERV BEGIN DELETE FROM COMANDAVEN; END");
  Pass();
  const std::string deleted = State() + "|" + Numbering(store_);
  store_.Exec("DROP TRIGGER APAGA");
  bill_.nrvendarest = "0000000002";
  bill_.nrcomanda = "0002";
  bill_.dscomanda = "DLV_0002";
  InsertBill();
  Pass();
  EXPECT_EQ(
      "Retorno da setConcluifechamento: A comanda 0001 (venda 0000000001, filial 0001) não "
      "aguarda mais o fechamento automático: foi removida ou saiu da fila "
      "(COMANDAVEN.IDIMPCUPEXP diferente de '2') durante o fechamento; nada gravado\n"
      "|removed sales=|counter 1|reserved 1;|notes|counter 2|voided 1;reserved 2;|notes 2 "
      "authorised;",
      LogLines({"aguarda mais"}) + "|" + deleted + "|" + Numbering(store_));
}

// A bill refused for its content (a product without NCM) is refused before a number is drawn
// for it: no number is held while it waits to be mended.
TEST_F(EndToEndTest, ABillRefusedForItsContentDrawsNoNumber) {
  NfceRegister("simulado");
  vyrtest::FiscalProduct semNcm;
  semNcm.ncm = "";
  vyrtest::InsertFiscalProduct(store_, kFilial, semNcm);
  InsertBill();
  Pass();
  EXPECT_EQ("IDIMPCUPEXP=2 IDSTCOMANDA=1 sales=C:1 |counter \\N||notes",
            State() + "|" + Numbering(store_));
}

// The note stays pending in contingency; the sale stays marked 'CONTING' through the closing's
// own marker and the order's working rows are removed. The closing prints no receipt: the
// package prints the contingency DANFE to the register's printer.
TEST_F(EndToEndTest, AnNfceInContingencyChangesTheSaleAndRemovesTheOrder) {
  NfceRegister("offline");
  store_.Exec("UPDATE IMPRLOJA SET CDPORTAIMPR = 'file:recibo.prn'");
  InsertBill();
  Pass();
  const std::string key = store_.Scalar("SELECT CDCHAVENFCE FROM NFCEVENDA");
  const std::string log = Log();
  const size_t from = log.find("Chamada da setconcluifechamento");
  EXPECT_EQ("Chamada da setconcluifechamento\nChave de acesso: " + key +
                "\nFIM-FechaContaNormal(0001, 001, 01, 0001, 0000000001, DLV_0001)\n\n"
                "|removed sales=A:1 |pending |IDDOCPENDVENDA=CONTING|receipt|rows left 0",
            log.substr(from) + "|" + State() + "|" + Notes() +
                "|IDDOCPENDVENDA=" + store_.Scalar("SELECT IDDOCPENDVENDA FROM VENDA") + "|" +
                (Exists(store_.Dir() + "/recibo.prn") ? "receipt" : "no receipt") + "|rows left " +
                std::to_string(store_.Count("ITCOMANDAVEN") + store_.Count("MOVCAIXADLV") +
                               store_.Count("VENDAREST")));
}

// A stop after the sale was recorded and before its note was sent, the authoriser out of reach:
// the closing that meets the bill again prints nothing before the note exists, and the document
// pass issues the note offline and prints its contingency DANFE, both copies, once.
TEST_F(EndToEndTest, ACrashBeforeAContingencyNoteLeavesItsDanfeToTheDocumentPass) {
  NfceRegister("offline");
  InsertBill();
  const std::string exit = CrashAt(rtl::kFalhaVendaGravada);
  WorkerPass();
  WorkerPass();
  std::ifstream prn(store_.Dir() + "/recibo.prn", std::ios::binary);
  const std::string printed((std::istreambuf_iterator<char>(prn)), {});
  const auto count = [&printed](const std::string& text) {
    size_t n = 0;
    for (size_t at = printed.find(text); at != std::string::npos; at = printed.find(text, at + 1))
      ++n;
    return std::to_string(n);
  };
  EXPECT_EQ("9|CONTING 9|IMPRESSO 1|consumer 1, establishment 1",
            exit + "|" + store_.Scalar("SELECT IDDOCPENDVENDA FROM VENDA") + " " +
                store_.Scalar("SELECT IDTPEMISNFCE FROM NFCEVENDA") + "|" +
                store_.Scalar("SELECT IDSITUCUPOM || ' ' || QTTENTCUPOM FROM VENDACUPOM") +
                "|consumer " + count("Via Consumidor") + ", establishment " +
                count("Via Estabelecimento"));
}

// A crash at each step between the recording of the sale and the marking of its order: the next
// passes finish the bill with one sale, one CF-e and at most one extract.
TEST_F(EndToEndTest, ACrashBetweenTheRecordingAndTheDocumentIsFinishedByTheDocumentPass) {
  SatRegister("123456789");
  InsertBill();
  const std::string exit = CrashAt(rtl::kFalhaVendaGravada);
  WorkerPass();
  WorkerPass();
  EXPECT_EQ(
      "9|IDIMPCUPEXP=3 IDSTCOMANDA=X sales=A:1 |cfe=1 issued=1 receipts=1 doc=\\N "
      "receipt=IMPRESSO",
      exit + "|" + State() + "|" + SatDocuments());
}

TEST_F(EndToEndTest, ACrashBetweenTheSatAnswerAndItsStorageIssuesNoSecondCFe) {
  SatRegister("123456789");
  InsertBill();
  const std::string exit = CrashAt(rtl::kFalhaRespostaSat);
  WorkerPass();
  WorkerPass();
  EXPECT_EQ(
      "9|IDIMPCUPEXP=3 IDSTCOMANDA=X sales=A:1 |cfe=1 issued=1 receipts=1 doc=\\N "
      "receipt=IMPRESSO",
      exit + "|" + State() + "|" + SatDocuments());
}

// A restarted register asks its device about the interrupted sale before a new closing talks to
// the device, which may remember only its last session: the first sale's CF-e is recovered, not
// issued again.
TEST_F(EndToEndTest, ARestartedWorkerRecoversTheInterruptedSaleBeforeClosingANewOrder) {
  SatRegister("123456789");
  InsertBill();
  const std::string exit = CrashAt(rtl::kFalhaRespostaSat);
  bill_.nrvendarest = "0000000002";
  bill_.nrcomanda = "0002";
  bill_.dscomanda = "DLV_0002";
  InsertBill();
  // The register as the worker reads it: its settings from the store, its local tables.
  store_.Exec("UPDATE CAIXA SET IDUTILSATCOMP = 'N'");
  store_.Exec("UPDATE IMPRESSORA SET IDMODEIMPRES = '19'");
  store_.Exec("UPDATE IMPRLOJA SET CDPORTAIMPR = 'file:recibo.prn'");
  const std::string cadastros = store_.Dir() + "/Dados/Cadastros/";
  std::filesystem::create_directories(cadastros);
  dm_->cdsConfTipoReceRev.SaveToFile(cadastros + "ConfTipoRece.cds");
  rtl::TClientDataSet abertura;
  abertura.DeclareFields({rtl::TextField("CDATIVACAOSAT", 60)});
  abertura.CreateDataSet();
  abertura.Append();
  abertura.FieldByName("CDATIVACAOSAT")
      .SetAsString(VyrUtil::Cripto("123456789", VyrUtil::kChaveAtivacaoSat));
  abertura.Post();
  abertura.SaveToFile(cadastros + "AberturaCaixa.cds");
  rtl::TClientDataSet movimento;
  movimento.DeclareFields({rtl::DateTimeField("DATAMOVIMENTO")});
  movimento.CreateDataSet();
  movimento.Append();
  movimento.FieldByName("DATAMOVIMENTO").SetAsDateTime(rtl::Date());
  movimento.Post();
  movimento.SaveToFile(cadastros + "DataMovimento.cds");
  // The restarted worker, in a process of its own as after the crash, stops after its first pass.
  CloseConnections();
  const std::vector<vyrtest::ChildResult> restart = vyrtest::RunInProcesses(1, [] {
    Cli_Qam00417::WorkerControl& control = Cli_Qam00417::WorkerControl::Instance();
    control.SetPassObserver([&control] { control.RequestStop(); });
    Cli_Qam00417::DisparaImpPedExpKDS(kFilial, kCaixa, kLoja, rtl::Date() + 8.0 / 24);
    return std::string(control.WaitForEnd(30000) ? "ended" : "running");
  });
  std::string cfes;
  for (const auto& row : store_.Query("SELECT NRSEQVENDA, NRCFESAT FROM VENDACFESAT ORDER BY 1")) {
    cfes += row[0] + ":" + row[1] + " ";
  }
  const std::string documents = SatDocuments();
  EXPECT_EQ(
      "9 0 ended|Documento pendente da venda 0000000001 do caixa 001: CF-e 000001 emitido; cupom "
      "impresso\nINI-FechaContaNormal(0001, 001, 01, 0002, 0000000002, DLV_0002)\n|"
      "0000000001:000001 0000000002:000002 |issued=2 receipts=2",
      exit + " " + vyrtest::Exits(restart) + " " + restart[0].output + "|" +
          LogLines({"Documento pendente", "INI-FechaContaNormal(0001, 001, 01, 0002"}) + "|" +
          cfes + "|" + documents.substr(documents.find("issued"), 19));
}

// The print's outcome was never recorded: while it may still be printing the receipt is left
// alone; once the register's printer is started again (as a restarted worker does) the print
// counts as interrupted, and the document pass prints it again, as a second copy, once.
TEST_F(EndToEndTest, AnInterruptedPrintIsPrintedAgainAsASecondCopyOnce) {
  SatRegister("123456789");
  InsertBill();
  const std::string exit = CrashAt(rtl::kFalhaCupomImpresso);
  vyrtest::ScopedClock clock(rtl::Now());
  WorkerPass();
  const std::string printing = SatDocuments();
  VyrFiscal::StartInterfaceEpsonNF(dm_->cdPortaImpNf6);
  WorkerPass();
  WorkerPass();
  EXPECT_EQ(
      "9|receipts=1 doc=\\N receipt=IMPRIMINDO|IDIMPCUPEXP=3 IDSTCOMANDA=X sales=A:1 |cfe=1 "
      "issued=1 receipts=2 doc=\\N receipt=IMPRESSO|second copies 1, attempts 2|Documento "
      "pendente da venda 0000000001 do caixa 001: cupom impresso como 2ª via (a impressão "
      "anterior foi interrompida)\n",
      exit + "|" + printing.substr(printing.find("receipts")) + "|" + State() + "|" +
          SatDocuments() + "|second copies " + std::to_string(SecondCopies()) + ", attempts " +
          store_.Scalar("SELECT QTTENTCUPOM FROM VENDACUPOM") + "|" +
          LogLines({"Documento pendente"}));
}

// A printer that cannot be reached: the order is marked by the next pass, and the document pass
// prints its extract once the printer is back, after the delay its failure set.
TEST_F(EndToEndTest, AnExtractThatFailedToPrintIsPrintedByTheDocumentPassOnce) {
  SatRegister("123456789");
  dm_->cdPortaImpNf6 = "file:/no/x.prn";
  InsertBill();
  vyrtest::ScopedClock clock(rtl::Now());
  WorkerPass();
  const std::string failed = store_.Scalar("SELECT IDSITUCUPOM || QTTENTCUPOM FROM VENDACUPOM");
  dm_->cdPortaImpNf6 = "file:recibo.prn";
  WorkerPass();
  const std::string waiting = store_.Scalar("SELECT IDSITUCUPOM || QTTENTCUPOM FROM VENDACUPOM");
  clock.Set(rtl::Now() + 5.0 / 86400);
  WorkerPass();
  WorkerPass();
  EXPECT_EQ(
      "FALHOU2|FALHOU2|IDIMPCUPEXP=3 IDSTCOMANDA=X sales=A:1 |cfe=1 issued=1 receipts=1 "
      "doc=\\N receipt=IMPRESSO",
      failed + "|" + waiting + "|" + State() + "|" + SatDocuments());
}

// Another register recorded the bill (on an earlier day, so the sale check does not see it): the
// closing names that register and its sale, marks the order and emits and prints nothing.
TEST_F(EndToEndTest, ABillAnotherRegisterRecordedIsOnlyMarked) {
  SatRegister("123456789");
  InsertBill();
  WorkerPass();
  store_.Exec("UPDATE VENDA SET CDCAIXA = '002', DTENTRVENDA = ?", {vyrtest::DayText(-1)});
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '2', IDSTCOMANDA = '1'");
  const std::string venda = store_.Scalar("SELECT NRSEQVENDA FROM VENDA");
  WorkerPass();
  const std::string lines = LogLines({"já gravada", "setVendaComanda"});
  const std::string documents = SatDocuments();
  EXPECT_EQ("Comanda 0001 já gravada pelo caixa 002 na venda " + venda +
                "; nada a emitir ou imprimir\nChama funcao setVendaComanda: P\n"
                "|IDIMPCUPEXP=3 IDSTCOMANDA=P sales=A:1 |receipts=1",
            lines.substr(lines.find("Comanda 0001")) + "|" + State() + "|" +
                documents.substr(documents.find("receipts"), 10));
}

// An operator's reprint prints the extract again whatever its state, counted apart; the document
// pass does not print it a third time.
TEST_F(EndToEndTest, AReprintPrintsTheExtractAgainAndTheDocumentPassLeavesIt) {
  SatRegister("123456789");
  InsertBill();
  WorkerPass();
  VyrFiscal::ReimprimeCupom(kFilial, kCaixa, store_.Scalar("SELECT NRSEQVENDA FROM VENDA"),
                            "file:recibo.prn", "19");
  WorkerPass();
  const std::string documents = SatDocuments();
  EXPECT_EQ("receipts=2 doc=\\N receipt=IMPRESSO|1 1",
            documents.substr(documents.find("receipts")) + "|" +
                store_.Scalar("SELECT QTTENTCUPOM || ' ' || QTREIMPCUPOM FROM VENDACUPOM"));
}

// Another register's claim keeps this one off the order, in silence, until the claim expires (a
// register that crashed holding it); the claim is given back once the order is closed.
TEST_F(EndToEndTest, AnOrderClaimedByAnotherRegisterWaitsUntilTheClaimExpires) {
  InsertBill();
  vyrtest::ScopedClock clock(rtl::Now());
  store_.Exec(
      "INSERT INTO RESERVACOMANDA (CDFILIAL, NRVENDAREST, NRCOMANDA, CDCAIXA, DTHRRESERVA) "
      "VALUES (?, ?, ?, '002', datetime('now', 'localtime'))",
      {kFilial, bill_.nrvendarest, bill_.nrcomanda});
  Pass();
  const std::string claimed = State() + "|" + Log();
  clock.Set(rtl::Now() + 121.0 / 86400);
  Pass();
  EXPECT_EQ("IDIMPCUPEXP=2 IDSTCOMANDA=1 sales=|" + std::string(kClosed) +
                "|IDIMPCUPEXP=3 IDSTCOMANDA=P sales=A:1 |claims=0",
            claimed + Log() + "|" + State() +
                "|claims=" + std::to_string(store_.Count("RESERVACOMANDA")));
}

// A device that refuses the sales: the document pass tries three sales a pass, oldest first, and
// each waits after its failure; once the device takes them, the backlog is issued three a pass.
TEST_F(EndToEndTest, TheDocumentPassTriesAFewSalesAPassAndEachFailureWaits) {
  SatRegister("123456789");
  const std::string cnpj = store_.Scalar("SELECT NRINSJURFILI FROM FILIAL");
  store_.Exec("UPDATE FILIAL SET NRINSJURFILI = '123'");
  for (int i = 1; i <= 4; ++i) {
    bill_.nrvendarest = "000000000" + std::to_string(i);
    bill_.nrcomanda = "000" + std::to_string(i);
    bill_.dscomanda = "DLV_" + bill_.nrcomanda;
    InsertBill();
  }
  vyrtest::ScopedClock clock(rtl::Now());
  const auto attempts = [this] {
    const std::string lines = LogLines({"Documento pendente"});
    return std::to_string(std::count(lines.begin(), lines.end(), '\n')) + " ";
  };
  WorkerPass();
  std::string outcome = attempts();
  WorkerPass();
  outcome += attempts();
  store_.Exec("UPDATE FILIAL SET NRINSJURFILI = ?", {cnpj});
  clock.Set(rtl::Now() + 2.0 / 86400);
  WorkerPass();
  outcome += attempts() + std::to_string(store_.Count("VENDA", "IDDOCPENDVENDA IS NULL")) + " ";
  WorkerPass();
  outcome += std::to_string(store_.Count("VENDA", "IDDOCPENDVENDA IS NULL"));
  EXPECT_EQ(
      "3 4 7 3 4|Documento pendente da venda 0000000001 do caixa 001 falhou: SAT: Erro de "
      "validacao do conteudo: CNPJ do emitente invalido - nova tentativa em 1 s\nDocumento "
      "pendente da venda 0000000001 do caixa 001: CF-e 000001 emitido; cupom impresso\n",
      outcome + "|" + LogLines({"Documento pendente da venda 0000000001"}));
}

// A restarted register's recovery runs the document pass until it settles nothing more: a
// backlog larger than one pass is issued whole, oldest first, before any new order is closed.
TEST_F(EndToEndTest, TheStartUpRecoveryIssuesTheWholeBacklog) {
  SatRegister("123456789");
  const std::string cnpj = store_.Scalar("SELECT NRINSJURFILI FROM FILIAL");
  store_.Exec("UPDATE FILIAL SET NRINSJURFILI = '123'");
  for (int i = 1; i <= 4; ++i) {
    bill_.nrvendarest = "000000000" + std::to_string(i);
    bill_.nrcomanda = "000" + std::to_string(i);
    bill_.dscomanda = "DLV_" + bill_.nrcomanda;
    InsertBill();
  }
  Pass();
  store_.Exec("UPDATE FILIAL SET NRINSJURFILI = ?", {cnpj});
  dm_->RecuperaDocumentosPendentes(kFilial, kCaixa);
  std::string cfes;
  for (const auto& row : store_.Query("SELECT NRSEQVENDA, NRCFESAT FROM VENDACFESAT ORDER BY 1"))
    cfes += row[0].substr(8) + ":" + row[1] + " ";
  EXPECT_EQ(
      "01:000001 02:000002 03:000003 04:000004 |pending 0",
      cfes + "|pending " + std::to_string(store_.Count("VENDA", "IDDOCPENDVENDA IS NOT NULL")));
}

// A print that fails before its receipt was taken (here its text copy cannot be written) is
// recorded as a failed attempt, which the document pass tries again.
TEST_F(EndToEndTest, APrintThatFailsBeforeItsReceiptIsTakenIsRecorded) {
  SatRegister("123456789");
  std::filesystem::create_directories(store_.Dir() + "/Dados");
  std::ofstream(store_.Dir() + "/Dados/Impressao") << "a file where the folder should be";
  InsertBill();
  Pass();
  const std::string erro = store_.Scalar("SELECT DSERROCUPOM FROM VENDACUPOM");
  EXPECT_EQ("FALHOU 1|Receipt: cannot create the folder",
            store_.Scalar("SELECT IDSITUCUPOM || ' ' || QTTENTCUPOM FROM VENDACUPOM") + "|" +
                erro.substr(0, erro.find(" " + store_.Dir())));
}

// An NFC-e sale whose closing stopped before its note was sent: the document pass sends the note
// kept with the sale and prints its receipt once.
TEST_F(EndToEndTest, ACrashBeforeTheNoteWasSentIsFinishedByTheDocumentPass) {
  NfceRegister("simulado");
  InsertBill();
  const std::string exit = CrashAt(rtl::kFalhaVendaGravada);
  const std::string before = Notes() + store_.Scalar("SELECT IDDOCPENDVENDA FROM VENDA");
  WorkerPass();
  WorkerPass();
  EXPECT_EQ("9|pending NAOEMITIDO|IDIMPCUPEXP=3 IDSTCOMANDA=X sales=A:1 |authorised |IMPRESSO 1",
            exit + "|" + before + "|" + State() + "|" + Notes() + "|" +
                store_.Scalar("SELECT IDSITUCUPOM || ' ' || QTTENTCUPOM FROM VENDACUPOM"));
}

}  // namespace
