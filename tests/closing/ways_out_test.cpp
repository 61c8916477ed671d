// Every way out of a bill's closing: the log lines in order, the order's state afterwards and
// what the packages were asked to do.

#include <sstream>

#include "closing/closing_context.h"
#include "closing/closing_fixture.h"

namespace closingtest {
namespace {

const char* const kIni = "INI-FechaContaNormal(0001, 001, 01, 0001, 0000000001, DLV_0001)\n";
const char* const kFim = "FIM-FechaContaNormal(0001, 001, 01, 0001, 0000000001, DLV_0001)\n\n";
const char* const kBusca = "BuscaVenda['0001', '0001'];";

class WaysOutTest : public ClosingTest {
 protected:
  // The log, the order's state and the packages' calls, as one text.
  std::string Outcome() { return Log() + "|" + OrderState() + "|" + Calls(); }
  // The log's lines that contain `part`.
  std::string LogLinesWith(const std::string& part) const {
    std::string lines;
    std::istringstream log(Log());
    for (std::string line; std::getline(log, line);) {
      if (line.find(part) != std::string::npos) lines += line + "\n";
    }
    return lines;
  }
};

TEST_F(WaysOutTest, ARegisterWithNeitherDocumentRecordsTheSaleAndMarksTheOrder) {
  EXPECT_NO_THROW(Close());
  EXPECT_EQ(std::string(kIni) +
                "Numero da comanda:0001\nChamada da setconcluifechamento\n"
                "Chama funcao setVendaComanda: P\nRetorno da setConcluifechamento: 0000000042\n" +
                kFim + "|IDIMPCUPEXP=3 IDSTCOMANDA=P|" + kBusca + "SetConcluiFechamento;",
            Outcome());
}

// The register's claim on the order goes with the order's mark.
TEST_F(WaysOutTest, MarkingTheOrderGivesItsClaimBack) {
  store_.Exec(
      "INSERT INTO RESERVACOMANDA (CDFILIAL, NRVENDAREST, NRCOMANDA, CDCAIXA, DTHRRESERVA) VALUES "
      "('0001', '0000000001', '0001', '001', '2026-12-07 10:30:00')");
  Close();
  EXPECT_EQ("IDIMPCUPEXP=3 IDSTCOMANDA=P|claims=0",
            OrderState() + "|claims=" + std::to_string(store_.Count("RESERVACOMANDA")));
}

TEST_F(WaysOutTest, APaymentTypeMissingFromTheLayoutLeavesTheOrderPending) {
  AddPayment("02", "099", "E", 5);
  Close();
  EXPECT_EQ(std::string(kIni) +
                "O tipo de recebimento 099 não está cadastrado no Layout do Caixa.\n" + kFim +
                "|IDIMPCUPEXP=2 IDSTCOMANDA=1|" + kBusca,
            Outcome());
}

TEST_F(WaysOutTest, ARefusedConsumerBalanceTakesTheOrderOffTheQueue) {
  AddLayout("009", "CONTA CONSUMIDOR", "9");
  store_.Exec("UPDATE MOVCAIXADLV SET CDTIPORECE = '009'");
  balanceRefusal_ = "Consumidor K1 sem credito: faltam 5.00";
  Close();
  EXPECT_EQ(std::string(kIni) +
                "Consumidor K1 sem credito: faltam 5.00 - Qam00417 - setValidaSaldoCons\n"
                "Execute do acmUpdCupExp\n" +
                kFim + "|IDIMPCUPEXP=0 IDSTCOMANDA=1|" + kBusca +
                "getMinDtMovExtCons(C1,K1);EvoluiSaldo(C1,K1,0001,2026-12-01 00:00:00);"
                "setValidaSaldoCons(0001,001,C1,K1,N,CDFAMILISALD=F01 VRSALDCONFAM=20 );",
            Outcome());
}

TEST_F(WaysOutTest, PaymentsThatDifferFromTheItemsTakeTheOrderOffTheQueue) {
  saleRows_[0].preco = 10.01;
  Close();
  EXPECT_EQ(std::string(kIni) +
                "Valores gravados nas tabelas ITCOMANDAVEN e MOVCAIXADLV estão divergentes.\n"
                "Execute do acmUpdCupExp\n" +
                kFim + "|IDIMPCUPEXP=0 IDSTCOMANDA=1|" + kBusca,
            Outcome());
}

// Cut to the cent, 0.10 + 0.20 pays 0.30 although the doubles differ.
TEST_F(WaysOutTest, PaymentsOfTenAndTwentyCentsPayAnItemOfThirtyCents) {
  saleRows_[0].quantidade = "1";
  saleRows_[0].preco = 0.30;
  store_.Exec("UPDATE MOVCAIXADLV SET VRMOVIVENDDLV = 0.10");
  AddPayment("02", "001", "E", 0.20);
  Close();
  EXPECT_EQ("IDIMPCUPEXP=3 IDSTCOMANDA=P|" + std::string(kBusca) + "SetConcluiFechamento;",
            OrderState() + "|" + Calls());
}

TEST_F(WaysOutTest, AnItemsSurchargeAndDiscountCountInTheItemsTotal) {
  saleRows_[0].acrescimo = 1.50;
  saleRows_[0].desconto = 0.50;
  store_.Exec("UPDATE MOVCAIXADLV SET VRMOVIVENDDLV = 21");
  Close();
  EXPECT_EQ("IDIMPCUPEXP=3 IDSTCOMANDA=P|" + std::string(kBusca) + "SetConcluiFechamento;",
            OrderState() + "|" + Calls());
}

TEST_F(WaysOutTest, ABillMissingFromTheOpenDeliveryBillsLeavesTheOrderPending) {
  store_.Exec("UPDATE COMANDAVEN SET DSCOMANDA = 'MESA_0001'");
  Close();
  EXPECT_EQ(std::string(kIni) + "Numero da comanda:0001\nPedido não localizado - numero: 0001\n" +
                "Pedido 0001 aguardando nova tentativa em 1 s\n" + kFim +
                "|IDIMPCUPEXP=2 IDSTCOMANDA=1|" + kBusca,
            Outcome());
}

TEST_F(WaysOutTest, ARefusedSaleIsRecordedCancelledAndTheOrderWaits) {
  answer_ = "ERRO Produto 1001 sem NCM";
  Close();
  EXPECT_EQ(std::string(kIni) +
                "Numero da comanda:0001\nChamada da setconcluifechamento\n"
                "Retorno da setConcluifechamento: ERRO Produto 1001 sem NCM\n"
                "Ocorreu um erro durante a gravação da venda: ERRO Produto 1001 sem NCM.\n"
                "Pedido 0001 aguardando nova tentativa em 1 s\n" +
                kFim + "|IDIMPCUPEXP=2 IDSTCOMANDA=1|" + kBusca +
                "SetConcluiFechamento;|cancelled=1",
            Outcome() + "|cancelled=" + std::to_string(CancelledSales()));
}

// Each attempt at a refused order logs its refusal; its cancelled sale is recorded the first
// time and again only when the reason changes, not at every retry.
TEST_F(WaysOutTest, ARefusedOrderHasOneCancelledSalePerReasonWhateverItsRetries) {
  std::string cancelled;
  for (const char* reason : {"ERRO Produto 1001 sem NCM", "ERRO Produto 1001 sem NCM",
                             "ERRO Produto 1001 sem NCM", "ERRO Produto 1001 sem CEST"}) {
    answer_ = reason;
    Close();
    cancelled += std::to_string(CancelledSales()) + " ";
  }
  size_t refusals = 0;
  const std::string log = Log();
  for (size_t at = log.find("Ocorreu um erro durante a gravação da venda: ");
       at != std::string::npos;
       at = log.find("Ocorreu um erro durante a gravação da venda: ", at + 1)) {
    ++refusals;
  }
  EXPECT_EQ("1 1 1 2 |refusals logged 4",
            cancelled + "|refusals logged " + std::to_string(refusals));
}

// Ten passes over a bill that stays pending: one number, kept for the bill, and each wait twice
// the one before, as after a refusal.
TEST_F(WaysOutTest, ABillThatStaysPendingDrawsOneNumberAndWaitsLongerEachTime) {
  NfceRegister();
  answer_ = "TENTE DEPOIS";
  std::string waits;
  for (int pass = 0; pass < 10; ++pass) {
    Close();
    const std::string log = Log();
    const size_t at = log.rfind("aguardando nova tentativa em ");
    waits += log.substr(at + 29, log.find('\n', at) - at - 29) + ";";
  }
  const std::string calls = Calls();
  size_t draws = 0;
  for (size_t at = calls.find("setNumeroNFCe("); at != std::string::npos;
       at = calls.find("setNumeroNFCe(", at + 1)) {
    ++draws;
  }
  EXPECT_EQ(
      "draws=1|1 s;2 s;4 s;8 s;16 s;32 s;64 s;128 s;256 s;300 s;|0001 65 7 2 123 reserved",
      "draws=" + std::to_string(draws) + "|" + waits + "|" +
          store_.Scalar("SELECT NRCOMANDA || ' ' || CDMODDOCFIS || ' ' || NRSERIEDOCFIS || ' ' || "
                        "IDAMBDOCFIS || ' ' || NRDOCFIS || ' ' || IDSITRESERVA FROM NUMDOCRESERV"));
}

// The fiscal package is asked before a number is drawn: a sale it would refuse takes the
// refusal's way without asking it to record, and a bill recorded already (by another register)
// gets its sale without a number.
TEST_F(WaysOutTest, ARefusedOrRecordedBillDrawsNoNumber) {
  NfceRegister();
  std::string outcome;
  for (const char* check : {"ERRO: O produto 1001 está sem NCM", "0000000042"}) {
    fiscal_.checkAnswer = check;
    answer_ = check;
    Close();
    outcome += LogLinesWith("Retorno da setConcluifechamento: " + std::string(check)) + Calls() +
               "|reserved " + std::to_string(store_.Count("NUMDOCRESERV")) + "\n";
    calls_.Clear();
    clock_.Set(rtl::Now() + 1);
  }
  EXPECT_EQ(
      "Retorno da setConcluifechamento: ERRO: O produto 1001 está sem NCM\n"
      "BuscaVenda['0001', '0001'];CalculoIcmsDFederal;getNumeroSerieNFCe(0001,001);|reserved 0\n"
      "Retorno da setConcluifechamento: 0000000042\n"
      "BuscaVenda['0001', '0001'];CalculoIcmsDFederal;getNumeroSerieNFCe(0001,001);"
      "SetConcluiFechamento;DisparaImpressaoNaoFiscal[False, 'VENDA_NFCe', Omitted, Omitted, "
      "Omitted, 1 row, '']/10;|reserved 0\n",
      outcome);
}

// A fiscal closing that raises leaves the order pending: it waits as after a refusal.
TEST_F(WaysOutTest, AFiscalClosingThatRaisesHoldsTheOrderBack) {
  fiscal_.onClosing = [] { throw rtl::Exception("store locked"); };
  EXPECT_THROW(Close(), rtl::Exception);
  EXPECT_EQ(std::string(kIni) +
                "Numero da comanda:0001\nChamada da setconcluifechamento\n"
                "store locked - Qam00417 - Funcao:FechaContaNormal\n"
                "Pedido 0001 aguardando nova tentativa em 1 s\n" +
                kFim,
            Log());
}

// Numbers of bills that left the queue: the one a note carries is released, the other is voided
// once, with a line before the call and one after.
TEST_F(WaysOutTest, ANumberLeftUnusedIsVoidedOnceAndAUsedOneReleased) {
  NfceRegister();
  answer_ = "TENTE DEPOIS";
  Close();
  store_.Exec(
      "INSERT INTO NUMDOCRESERV (CDFILIAL, CDMODDOCFIS, NRSERIEDOCFIS, IDAMBDOCFIS, NRDOCFIS, "
      "CDCAIXA, NRVENDAREST, NRCOMANDA, IDSITRESERVA) VALUES ('0001', '65', '7', '2', '122', "
      "'001', '0000000009', '0009', 'reserved')");
  store_.Exec(
      "INSERT INTO NFCEVENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, NRNFCE, NRSERIENFCE, IDAMBNFCE) "
      "VALUES ('0001', '001', '0000000041', '122', '007', '2')");
  // Number 123 of another series does not carry this series' 123.
  store_.Exec(
      "INSERT INTO NFCEVENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, NRNFCE, NRSERIENFCE, IDAMBNFCE) "
      "VALUES ('0001', '001', '0000000040', '123', '8', '2')");
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '3'");
  calls_.Clear();
  const size_t logged = Log().size();
  Cli_Qam00417::closing::ContaEmFechamento conta;
  conta.CDFILIAL = "0001";
  conta.CDCAIXA = "001";
  Cli_Qam00417::closing::SettleLeftBehindNumbers(dm(), conta);
  Cli_Qam00417::closing::SettleLeftBehindNumbers(dm(), conta);
  EXPECT_EQ(
      "Inutilizando a NFC-e numero 123 serie 7, reservada para a comanda 0001 que nao esta mais "
      "pendente\nInutilizacao da NFC-e numero 123 serie 7: 102 Inutilizacao de numero "
      "homologado\n|InutilizaNumeroNFCe(0001,001,7,123,2);|123 voided",
      Log().substr(logged) + "|" + Calls() + "|" +
          store_.Scalar("SELECT NRDOCFIS || ' ' || IDSITRESERVA FROM NUMDOCRESERV"));
}

// What the authority answers decides the number's end: voided (102; 206 and 563 when an earlier
// request of the same number went through unanswered), or refused and left for support.
TEST_F(WaysOutTest, TheVoidingsAnswerDecidesWhetherTheNumberIsVoided) {
  NfceRegister();
  answer_ = "TENTE DEPOIS";
  Close();
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '0'");
  Cli_Qam00417::closing::ContaEmFechamento conta;
  conta.CDFILIAL = "0001";
  conta.CDCAIXA = "001";
  std::string ends;
  for (const char* answer :
       {"102 Inutilizacao de numero homologado", "206 Rejeicao: NF-e ja esta inutilizada",
        "563 Rejeicao: Ja existe pedido de Inutilizacao com a mesma faixa de inutilizacao",
        "241 Rejeicao: Um numero da faixa ja foi utilizado"}) {
    store_.Exec("UPDATE NUMDOCRESERV SET IDSITRESERVA = 'reserved'");
    fiscal_.voidAnswer = answer;
    Cli_Qam00417::closing::SettleLeftBehindNumbers(dm(), conta);
    ends +=
        std::string(answer, 3) + " " + store_.Scalar("SELECT IDSITRESERVA FROM NUMDOCRESERV") + ";";
  }
  EXPECT_EQ("102 voided;206 voided;563 voided;241 refused;", ends);
}

// An authority out of reach is asked again about the number only ten minutes later.
TEST_F(WaysOutTest, AVoidingWithoutAnswerIsAskedAgainOnlyTenMinutesLater) {
  NfceRegister();
  answer_ = "TENTE DEPOIS";
  fiscal_.voidAnswer = "ERRO: sem conexao";
  Close();
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '0'");
  calls_.Clear();
  Cli_Qam00417::closing::ContaEmFechamento conta;
  conta.CDFILIAL = "0001";
  conta.CDCAIXA = "001";
  std::string tries;
  for (int minutes : {0, 9, 11}) {
    clock_.Set(rtl::EncodeDateTime({2026, 12, 7, 10, 30 + minutes, 0, 0}));
    Cli_Qam00417::closing::SettleLeftBehindNumbers(dm(), conta);
    tries += std::to_string(minutes) + " min: " + Calls() + "|";
    calls_.Clear();
  }
  EXPECT_EQ(
      "0 min: InutilizaNumeroNFCe(0001,001,7,123,2);|9 min: |"
      "11 min: InutilizaNumeroNFCe(0001,001,7,123,2);|voiding ERRO: sem conexao",
      tries + store_.Scalar("SELECT IDSITRESERVA || ' ' || DSMOTIVORESERVA FROM NUMDOCRESERV"));
}

TEST_F(WaysOutTest, AnNfceInContingencyChangesTheSaleAndRemovesTheOrder) {
  NfceRegister();
  nfceContingency_ = true;
  Close();
  EXPECT_EQ(std::string(kIni) +
                "Numero da comanda:0001\nChamada da setconcluifechamento\n"
                "Chave de acesso: 35261200000000000000650010000001231000001234\n" +
                kFim + "|removed|" + kBusca +
                "CalculoIcmsDFederal;getNumeroSerieNFCe(0001,001);setNumeroNFCe(0001,001,7,2,"
                "true);SetConcluiFechamento;AlteraVendaCan['0000000042', '0001', '001', "
                "DateTime(2026-12-07 00:00:00), '', '', '', 'SAT']/10;",
            Outcome());
}

TEST_F(WaysOutTest, AnNfcePrintsTheReceiptAndMarksTheOrderAsItsStoreReturnSays) {
  NfceRegister();
  store_.Exec("UPDATE COMANDAVEN SET IDRETBALLOJA = 'S'");
  Close();
  EXPECT_EQ(std::string(kIni) +
                "Numero da comanda:0001\nChamada da setconcluifechamento\n"
                "Chave de acesso: 35261200000000000000650010000001231000001234\n"
                "Preenche cdsParamImpCup com a chave: "
                "35261200000000000000650010000001231000001234\n001 - 19 - COM1\n"
                "Chama funcao setVendaComanda: X\nRetorno da setConcluifechamento: 0000000042\n" +
                kFim + "|IDIMPCUPEXP=3 IDSTCOMANDA=X|" + kBusca +
                "CalculoIcmsDFederal;getNumeroSerieNFCe(0001,001);setNumeroNFCe(0001,001,7,2,"
                "true);SetConcluiFechamento;DisparaImpressaoNaoFiscal[False, 'VENDA_NFCe', "
                "Omitted, Omitted, Omitted, 1 row, '']/10;|SENHACUPOM=A17 CHAVEACESSONFCe="
                "35261200000000000000650010000001231000001234 NRSEQIMPRLOJA6=001 "
                "IDTIPOIMPNF6=19 CDPORTAIMPNF6=COM1 ",
            Outcome() + "|" + receiptRow_);
}

TEST_F(WaysOutTest, ASatSaleStoresTheDeviceAnswerAndPrintsTheExtract) {
  SatRegister();
  dm().idUtilSatComp = "N";
  dm().cdAtivacaoSat = "123456789";
  Close();
  const std::string qr =
      "CFe35261211111111111111590000000000010000010005|20261207103000|20.00||QRSIG";
  EXPECT_EQ(std::string(kIni) +
                "Numero da comanda:0001\nChamada da setconcluifechamento\n"
                "Preenche cdsParamImpCup com a chave: "
                "CFe35261211111111111111590000000000010000010005\n001 - 19 - COM1\n"
                "Chama funcao setVendaComanda: P\nRetorno da setConcluifechamento: 0000000042\n" +
                kFim + "|IDIMPCUPEXP=3 IDSTCOMANDA=P|" + kBusca +
                "CalculoIcmsDFederal;getNumeroSerieNFCe(0001,001);setNumeroNFCe(0001,001,7,2,"
                "false);SetConcluiFechamento;SATOnline(0001,001,0000000042,N,123456789,"
                "dsPastaXml,1.50,0.75);AtualizaVendaSat(0001,001,0000000042,000123," +
                qr +
                ",7);DisparaImpressaoNaoFiscal[False, 'EXTRATO_SAT', Omitted, Omitted, Omitted, "
                "1 row, '']/10;|SENHACUPOM=A17 DATAEMISSNFCE=2026-12-07T10:30:00-03:00 "
                "CHAVEACESSONFCe=CFe35261211111111111111590000000000010000010005 "
                "stIBPT=1.50 stIBPTES=0.75 NRSERIESAT=900004019 QRCODENFCe=" +
                qr + " NRSEQIMPRLOJA6=001 IDTIPOIMPNF6=19 CDPORTAIMPNF6=COM1 ",
            Outcome() + "|" + receiptRow_);
}

// Past midnight the CF-e is filed under its own day, not under the worker's start-up day.
TEST_F(WaysOutTest, ASatDocumentIssuedAfterMidnightGoesToTheNewDaysFolder) {
  SatRegister();
  clock_.Set(rtl::EncodeDateTime({2026, 12, 8, 0, 5, 0, 0}));
  Close();
  const std::string calls = Calls();
  const size_t at = calls.find("SATOnline(");
  EXPECT_EQ("SATOnline(0001,001,0000000042,,," + store_.Dir() +
                "/Dados/XML_NFCe_Sat/0001-001-2026-12-08/,1.50,0.75)",
            calls.substr(at, calls.find(';', at) - at));
}

TEST_F(WaysOutTest, ASatRefusalChangesTheSaleAndRaisesTheDeviceMessage) {
  SatRegister();
  satAccepts_ = false;
  satValues_ = {"MENSAGEM=Codigo de ativacao invalido"};
  EXPECT_THROW(Close(), rtl::Exception);
  EXPECT_EQ(std::string(kIni) +
                "Numero da comanda:0001\nChamada da setconcluifechamento\n"
                "raise Exception.create SAT: Codigo de ativacao invalido\n"
                "Codigo de ativacao invalido - Qam00417 - Funcao:FechaContaNormal\n" +
                kFim + "|IDIMPCUPEXP=2 IDSTCOMANDA=1|" + kBusca +
                "CalculoIcmsDFederal;getNumeroSerieNFCe(0001,001);setNumeroNFCe(0001,001,7,2,"
                "false);SetConcluiFechamento;SATOnline(0001,001,0000000042,,,dsPastaXml,1.50,"
                "0.75);AlteraVendaCan['0000000042', '0001', '001', DateTime(2026-12-07 "
                "00:00:00), '', '', '', 'SAT']/10;",
            Outcome());
}

// Approximate taxes of zero for want of an IBPT table are logged once a day, not per order.
TEST_F(WaysOutTest, AMissingIbptTableIsLoggedOnceADay) {
  SatRegister();
  fiscal_.ibptWarning = "Tabela IBPT da UF 'SP' nao carregada";
  clock_.Set(rtl::EncodeDateTime({2031, 1, 6, 10, 0, 0, 0}));
  Close();
  Close();
  clock_.Set(rtl::EncodeDateTime({2031, 1, 7, 10, 0, 0, 0}));
  Close();
  std::string log;
  for (int day : {6, 7}) {
    clock_.Set(rtl::EncodeDateTime({2031, 1, day, 10, 0, 0, 0}));
    const std::string text = Log();
    size_t count = 0;
    for (size_t at = text.find("Tabela IBPT"); at != std::string::npos;
         at = text.find("Tabela IBPT", at + 1)) {
      ++count;
    }
    log += "day " + std::to_string(day) + ": " + std::to_string(count) + " ";
  }
  EXPECT_EQ("day 6: 1 day 7: 1 ", log);
}

}  // namespace
}  // namespace closingtest
