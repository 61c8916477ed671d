// The print state of a sale's receipt in a real store: who may take a receipt for printing, as a
// first paper or a second copy, and which receipts the document pass owes, oldest first.

#include <gtest/gtest.h>

#include "db/connection.h"
#include "fiscal/receipt/receipt_state.h"
#include "support/seams.h"
#include "support/store_builders.h"
#include "support/temp_store.h"

namespace {

using VyrFiscal::Cupom::Reserva;

const char* Nome(Reserva reserva) {
  switch (reserva) {
    case Reserva::Nenhuma:
      return "none";
    case Reserva::Primeira:
      return "first";
    case Reserva::SegundaVia:
      return "second";
  }
  return "?";
}

class ReceiptStateTest : public ::testing::Test {
 protected:
  ReceiptStateTest() : clock_(rtl::EncodeDate(2026, 3, 10) + rtl::EncodeTime(12, 0, 0, 0)) {
    conexao_.ConnectionString = store_.SqliteConnectionString();
  }

  // Sale `numero` with its receipt in `situacao` after `tentativas` attempts, last changed
  // `segundos` ago; its document pending as `pendencia` ("" for none), its NFC-e of `tpEmis`.
  void Venda(const std::string& numero, const std::string& situacao, int tentativas, int segundos,
             const std::string& pendencia = "", const std::string& tpEmis = "",
             const std::string& situacaoVenda = "A") {
    vyrtest::InsertSale(store_, "0001", "001", numero, "01", numero, vyrtest::TodayText());
    store_.Exec("UPDATE VENDA SET IDSITUVENDA = ? WHERE NRSEQVENDA = ?", {situacaoVenda, numero});
    if (!pendencia.empty()) {
      store_.Exec("UPDATE VENDA SET IDDOCPENDVENDA = ? WHERE NRSEQVENDA = ?", {pendencia, numero});
    }
    store_.Exec(
        "INSERT INTO VENDACUPOM (CDFILIAL, CDCAIXA, NRSEQVENDA, IDSITUCUPOM, QTTENTCUPOM, "
        "QTREIMPCUPOM, DTHRSITUCUPOM) VALUES ('0001', '001', ?, ?, ?, 0, ?)",
        {numero, situacao, std::to_string(tentativas),
         rtl::FormatSqlDateTime(rtl::Now() - segundos / 86400.0)});
    if (!tpEmis.empty()) {
      store_.Exec(
          "INSERT INTO NFCEVENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, IDTPEMISNFCE) VALUES ('0001', "
          "'001', ?, ?)",
          {numero, tpEmis});
    }
  }

  std::string Toma(const std::string& numero, bool reimpressao = false) {
    return Nome(VyrFiscal::Cupom::ReservaImpressao(conexao_, {"0001", "001", numero}, reimpressao));
  }

  vyrtest::TempStore store_;
  vyrtest::ScopedClock clock_;
  ado::TADOConnection conexao_;
};

// The pass lists the receipts it may print, oldest sale first, and each taking answers what
// kind of paper it prints; a receipt without its document (but for an NFC-e issued offline) or
// of a cancelled sale is not taken, and a receipt taken is no longer owed.
TEST_F(ReceiptStateTest, TheReceiptsOwedAndHowEachIsTaken) {
  Venda("0000000009", "PENDENTE", 0, 0);
  Venda("0000000002", "FALHOU", 1, 10);
  Venda("0000000003", "FALHOU", 5, 10);                   // out of attempts
  Venda("0000000004", "IMPRIMINDO", 1, 30);               // still printing
  Venda("0000000005", "IMPRIMINDO", 1, 61);               // interrupted
  Venda("0000000006", "IMPRIMINDO", 5, 61);               // interrupted, out of attempts
  Venda("0000000007", "PENDENTE", 0, 0, "NAOEMITIDO");    // no document yet
  Venda("0000000008", "PENDENTE", 0, 0, "CONTING", "9");  // issued offline
  Venda("0000000010", "PENDENTE", 0, 0, "CONTING", "1");  // outcome unknown
  Venda("0000000011", "PENDENTE", 0, 0, "", "", "C");     // cancelled
  Venda("0000000012", "IMPRESSO", 1, 0);
  Venda("0000000001", "PENDENTE", 0, 0);
  std::string devidos;
  for (const std::string& venda : VyrFiscal::Cupom::CuponsDevidos(conexao_, "0001", "001")) {
    devidos += venda.substr(8) + " ";
  }
  std::string tomadas;
  for (const char* venda :
       {"0000000001", "0000000002", "0000000003", "0000000004", "0000000005", "0000000006",
        "0000000007", "0000000008", "0000000010", "0000000011", "0000000012"}) {
    tomadas += Toma(venda) + " ";
  }
  EXPECT_EQ(
      "01 02 05 08 09 |first first none none second none none first none none none |again: none "
      "none|reprint: second|after: 09 ",
      devidos + "|" + tomadas + "|again: " + Toma("0000000001") + " " + Toma("0000000005") +
          "|reprint: " + Toma("0000000012", true) + "|after: " + [this] {
            std::string depois;
            for (const std::string& v : VyrFiscal::Cupom::CuponsDevidos(conexao_, "0001", "001"))
              depois += v.substr(8) + " ";
            return depois;
          }());
}

}  // namespace
