// One pass over the pending orders: what it logs, what it calls, and how an order whose sale
// was refused waits before it is closed again.

#include <functional>

#include "closing/closing_fixture.h"
#include "datamodule/retry_delays.h"
#include "worker/worker_control.h"

namespace closingtest {
namespace {

class ScanTest : public ClosingTest {
 protected:
  ~ScanTest() override { rtl::SetClock({}); }

  void Pass() { dm().VerificaPedidosExpKDS(kFilial, kCaixa, kLoja); }

  // The log lines written since the last call.
  std::string NewLog() {
    const std::string all = Log();
    const std::string fresh = all.substr(seen_);
    seen_ = all.size();
    return fresh;
  }

  // Counts the lines of `text` that begin with `prefix`.
  static int Lines(const std::string& text, const std::string& prefix) {
    int count = 0;
    for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
      if (text.compare(at, prefix.size(), prefix) == 0) ++count;
    }
    return count;
  }

  // A second pending order, 0000000002 with bill 0002, paid like the first.
  void AddSecondOrder() {
    vyrtest::PendingOrder order;
    order.nrvendarest = "0000000002";
    order.nrcomanda = "0002";
    order.nrpedidovyr = "PED2";
    order.items = {vyrtest::OrderItem{"001", "1001", 2, 10, ""}};
    vyrtest::InsertPendingOrder(store_, order);
    AddPayment("01", "001", "E", 20, "0000000002");
  }

  // Moves the process clock to `seconds` after the test's start.
  void At(double seconds) {
    rtl::SetClock([this, seconds] { return start_ + seconds / 86400.0; });
  }

 private:
  size_t seen_ = 0;
  rtl::TDateTime start_ = rtl::Now();
};

TEST_F(ScanTest, WithoutPendingOrdersAPassLogsNothing) {
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '3'");
  Pass();
  EXPECT_EQ("", Calls() + Log());
}

TEST_F(ScanTest, AnOrderWithASaleOfTodayIsOnlyMarked) {
  vyrtest::InsertSale(store_, kFilial, kCaixa, "0000000009", kLoja, "0000000001",
                      vyrtest::TodayText());
  Pass();
  EXPECT_EQ(
      "VerificaPedidosExpKDS @\ncdsPedidosExpKDS.RecordCount = 1\nNRPEDIDOVYR: PED1\n"
      "Chama funcao setVendaComanda: X\n|IDIMPCUPEXP=3 IDSTCOMANDA=X|",
      Log() + "|" + OrderState() + "|" + Calls());
}

// Another register recorded the order's sale: the pass names it, marks the order and gives
// the claim back with the mark.
TEST_F(ScanTest, AnOrderAnotherRegisterSoldIsMarkedNamingThatRegister) {
  vyrtest::InsertSale(store_, kFilial, "002", "0000000009", kLoja, "0000000001",
                      vyrtest::TodayText());
  store_.Exec("UPDATE VENDA SET NRCOMANDAVND = '0001'");
  Pass();
  EXPECT_EQ(
      "NRPEDIDOVYR: PED1\nComanda 0001 já gravada pelo caixa 002 na venda 0000000009; nada a "
      "emitir ou imprimir\nChama funcao setVendaComanda: X\n|IDIMPCUPEXP=3 IDSTCOMANDA=X|"
      "claims=0",
      Log().substr(Log().find("NRPEDIDOVYR")) + "|" + OrderState() +
          "|claims=" + std::to_string(store_.Count("RESERVACOMANDA")));
}

// Claims left on bills that no longer wait (a stop between an order's mark and its claim's
// release) are dropped, whichever register left them; a live claim on a waiting bill stays.
TEST_F(ScanTest, ClaimsOnBillsThatNoLongerWaitAreDropped) {
  AddSecondOrder();
  store_.Exec(
      "INSERT INTO RESERVACOMANDA (CDFILIAL, NRVENDAREST, NRCOMANDA, CDCAIXA, DTHRRESERVA) VALUES "
      "('0001', '0000000001', '0001', '002', '2026-12-07 10:30:00'), "
      "('0001', '0000000002', '0002', '001', '2026-12-07 10:30:00'), "
      "('0001', '0000000009', '0009', '002', '2026-12-07 10:30:00')");
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '3' WHERE NRCOMANDA = '0002'");
  Pass();
  std::string claims;
  for (const auto& row : store_.Query("SELECT NRCOMANDA, CDCAIXA FROM RESERVACOMANDA")) {
    claims += row[0] + "/" + row[1] + ";";
  }
  EXPECT_EQ("0001/002;", claims);
}

TEST_F(ScanTest, ABillWithTwoOrderNumbersIsMetTwiceAndRecordedOnce) {
  store_.Exec(
      "INSERT INTO ITCOMANDAVEN (CDFILIAL, NRVENDAREST, NRCOMANDA, NRPRODCOMVEN, CDPRODUTO, "
      "QTPRODCOMVEN, VRPRECCOMVEN, NRPEDIDOVYR) VALUES ('0001', '0000000001', '0001', '002', "
      "'1002', 0, 0, 'PED2')");
  recordSaleOnClosing_ = true;
  Pass();
  const std::string log = Log();
  EXPECT_EQ("rows=2/2 closings=1 sales=1 IDIMPCUPEXP=3 IDSTCOMANDA=X",
            "rows=" + std::to_string(Lines(log, "cdsPedidosExpKDS.RecordCount = 2")) + "/" +
                std::to_string(Lines(log, "NRPEDIDOVYR: PED")) +
                " closings=" + std::to_string(Lines(log, "INI-FechaContaNormal(")) +
                " sales=" + std::to_string(store_.Count("VENDA")) + " " + OrderState());
}

TEST_F(ScanTest, AClosingThatFailsIsLoggedAndTheNextOrderFollows) {
  AddSecondOrder();
  int calls = 0;
  onBuscaVenda_ = [&calls] {
    if (++calls == 1) throw rtl::Exception("Falha simulada");
  };
  Pass();
  const std::string log = Log();
  const size_t from = log.find("Falha simulada");
  const size_t to = log.find("INI-", from);
  EXPECT_EQ(
      "Falha simulada - Qam00417 - Funcao:FechaContaNormal\n"
      "FIM-FechaContaNormal(0001, 001, 01, 0001, 0000000001, DLV_0001)\n\n"
      "Except FechaContaNormal\nVerificaPedidosExpKDS @\ncdsPedidosExpKDS.RecordCount = 2\n"
      "NRPEDIDOVYR: PED2\n|0002:IDIMPCUPEXP=3",
      log.substr(from, to - from) + "|0002:IDIMPCUPEXP=" +
          store_.Scalar("SELECT IDIMPCUPEXP FROM COMANDAVEN WHERE NRCOMANDA = '0002'"));
}

// The claim goes back once per order: with the mark of an order closed, by the pass for an order
// left pending, whatever the order before it did.
TEST_F(ScanTest, AnOrderLeftPendingAfterAClosedOneGivesItsClaimBackToo) {
  AddSecondOrder();
  int calls = 0;
  onBuscaVenda_ = [&calls] {
    if (++calls == 2) throw rtl::Exception("Falha simulada");
  };
  Pass();
  EXPECT_EQ("3,2 claims=0",
            store_.Scalar("SELECT group_concat(IDIMPCUPEXP) FROM (SELECT IDIMPCUPEXP FROM "
                          "COMANDAVEN ORDER BY NRCOMANDA)") +
                " claims=" + std::to_string(store_.Count("RESERVACOMANDA")));
}

// The host's stop is honoured after the order being closed; the rest wait for the next worker.
TEST_F(ScanTest, AStopRequestEndsThePassAfterTheCurrentOrder) {
  AddSecondOrder();
  Cli_Qam00417::WorkerControl& control = Cli_Qam00417::WorkerControl::Instance();
  ASSERT_TRUE(control.TryClaim());  // a stop is asked of a running worker only
  onBuscaVenda_ = [&control] { control.RequestStop(); };
  Pass();
  control.AbandonClaim();
  // A new claim clears the stop request, so the tests after this one scan again.
  ASSERT_TRUE(control.TryClaim());
  control.AbandonClaim();
  EXPECT_EQ("closings=1 0002:IDIMPCUPEXP=2",
            "closings=" + std::to_string(Lines(Log(), "INI-FechaContaNormal(")) +
                " 0002:IDIMPCUPEXP=" +
                store_.Scalar("SELECT IDIMPCUPEXP FROM COMANDAVEN WHERE NRCOMANDA = '0002'"));
}

// A bill number that a waiting bill of another store of the branch shares: the fiscal package
// finds a bill by branch and number, so this store's bill is not closed either; its line is
// logged once, however many passes meet it, and again when it comes back to the list or on a
// new day; once the other bill closes, this one closes.
TEST_F(ScanTest, ABillNumberSharedWithAnotherStoresBillIsNotClosedAndLoggedOnce) {
  vyrtest::PendingOrder other;
  other.cdloja = "02";
  other.nrvendarest = "0000000002";
  vyrtest::InsertPendingOrder(store_, other);
  std::string logged;  // the lines in the day's log after each pass
  const auto pass = [&](const char* label) {
    Pass();
    logged += std::string(label) + ":" + std::to_string(Lines(Log(), "Pedido não fechado")) + " ";
  };
  pass("first");
  pass("again");
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '3' WHERE CDLOJA = '01'");
  pass("left");
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '2' WHERE CDLOJA = '01'");
  pass("back");
  At(86400);
  pass("next day");
  pass("again");
  // The other store's bill closed: this one's number is its own again, and it closes.
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '3' WHERE CDLOJA = '02'");
  pass("other closed");
  EXPECT_EQ(
      "first:1 again:1 left:1 back:2 next day:1 again:1 other closed:1 |"
      "Pedido não fechado (venda 0000000001, comanda 0001): a comanda 0001 está também em pedido "
      "aberto de outra loja; nenhum deles é fechado até que o programa que exporta os pedidos dê "
      "a cada um o seu número de comanda (COMANDAVEN.NRCOMANDA).\n|IDIMPCUPEXP=3 IDSTCOMANDA=P|"
      "BuscaVenda['0001', '0001'];SetConcluiFechamento;",
      logged + "|" + Log().substr(0, Log().find('\n') + 1) + "|" +
          store_.Scalar("SELECT 'IDIMPCUPEXP=' || IDIMPCUPEXP || ' IDSTCOMANDA=' || "
                        "IDSTCOMANDA FROM COMANDAVEN WHERE CDLOJA = '01'") +
          "|" + Calls());
}

// After each refusal the order waits twice as long; meanwhile a pass neither logs nor calls
// anything for it; an order that left the list starts again from one second. The cancelled
// sale is recorded at the first refusal and again only for the order that came back.
TEST_F(ScanTest, ARefusedSaleWaitsLongerAfterEachRefusal) {
  answer_ = "ERRO Produto 1001 sem NCM";
  std::string passes;
  const auto pass = [&](double at, const char* label) {
    At(at);
    calls_.Clear();
    Pass();
    const std::string log = NewLog();
    const std::string marker = "aguardando nova tentativa em ";
    const size_t wait = log.find(marker);
    const std::string waits =
        wait == std::string::npos
            ? std::string(log.empty() ? "silent" : "?")
            : log.substr(wait + marker.size(), log.find('\n', wait) - wait - marker.size());
    passes += std::string(label) + ":" + waits + (Calls().empty() ? "" : "+calls") + " ";
  };
  pass(0, "0");
  pass(0.5, "0.5");
  pass(1.5, "1.5");
  pass(3, "3");
  pass(4, "4");
  pass(7.5, "7.5");
  pass(8.5, "8.5");
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '3'");
  pass(9, "9");
  store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '2'");
  pass(9.5, "9.5");
  EXPECT_EQ(
      "0:1 s+calls 0.5:silent 1.5:2 s+calls 3:silent 4:4 s+calls 7.5:silent 8.5:8 s+calls "
      "9:silent 9.5:1 s+calls |cancelled=2 IDIMPCUPEXP=2 IDSTCOMANDA=1",
      passes + "|cancelled=" + std::to_string(CancelledSales()) + " " + OrderState());
  // The doubling stops at five minutes.
  Cli_Qam00417::RetryDelays delays;
  std::string seconds;
  for (int refusal = 0; refusal < 11; ++refusal) {
    seconds += std::to_string(delays.NoteRefusal("order")) + " ";
  }
  EXPECT_EQ("1 2 4 8 16 32 64 128 256 300 300 ", seconds);
}

}  // namespace
}  // namespace closingtest
