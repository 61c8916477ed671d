// Orders as the exporting program sometimes writes them, among good ones, run through
// `hostagent run`: none is closed on bad data, each leaves its line in the log and its entry in
// `hostagent status`, and the good orders around them are closed.

#include <gtest/gtest.h>

#include "hostagent/store_fixture.h"
#include "support/temp_store.h"

namespace hosttest {
namespace {

// The message of the first log line holding `part` (without its time stamp); with `counted`,
// also how many lines hold it.
std::string Logged(const std::string& log, const std::string& part, bool counted) {
  if (log.find(part) == std::string::npos) return "(nada no log com " + part + ")";
  const std::string line = LineOf(log, part);
  return counted ? line + " (x" + std::to_string(Occurrences(log, part)) + ")" : line;
}

// What `hostagent status` says of the order of restaurant sale `venda`: its failure and what
// happens next.
std::string StatusOf(const std::string& status, const std::string& venda) {
  const size_t at = status.find(", venda " + venda + ",");
  if (at == std::string::npos) return "(nao listado)";
  const size_t falha = status.find("ultima falha ", at);
  const size_t texto = status.find(": ", falha) + 2;
  const size_t tentativa = status.find("nova tentativa: ", at) + 16;
  // The delay depends on how many attempts the run made: its length is no concern here.
  std::string next = status.substr(tentativa, status.find('\n', tentativa) - tentativa);
  if (next.rfind("apos espera de ", 0) == 0) next = "apos espera";
  return status.substr(texto, status.find('\n', texto) - texto) + " => " + next;
}

// Each demo order n has a pizza (item 001, 45.90) and 1 + n % 3 cans (item 002, 6.50), paid in
// cash to the cent. The odd ones:
// - 2 and 5: one bill number, the same contents (the same order exported twice);
// - 7 and 8: one bill number, different contents;
// - 4: no items; 6: a price 'abc'; 13: a payment of 'abc';
// - 9: a product whose NCM has a letter (the same for both documents: this is a SAT register);
// - 10: a can priced 1e-9, 11: a quantity of 0.0001 (worth 0.00);
// - 12, a good one: its items without discount nor increase (NULL).
const char* const kOddOrders =
    "UPDATE COMANDAVEN SET NRCOMANDA = '0002', DSCOMANDA = 'DLV_0002', NRCOMANDAEXT = 'DEMO02' "
    "WHERE NRVENDAREST = '0000000005';"
    "UPDATE ITCOMANDAVEN SET NRCOMANDA = '0002', NRPEDIDOVYR = 'DEMO02' WHERE NRVENDAREST = "
    "'0000000005';"
    "UPDATE COMANDAVEN SET NRCOMANDA = '0007', DSCOMANDA = 'DLV_0007' WHERE NRVENDAREST = "
    "'0000000008';"
    "UPDATE ITCOMANDAVEN SET NRCOMANDA = '0007' WHERE NRVENDAREST = '0000000008';"
    "DELETE FROM ITCOMANDAVEN WHERE NRVENDAREST = '0000000004';"
    "UPDATE ITCOMANDAVEN SET VRPRECCOMVEN = 'abc' WHERE NRVENDAREST = '0000000006' AND "
    "NRPRODCOMVEN = '002';"
    "INSERT INTO PRODUTO (CDPRODUTO, NMPRODUTO, NRNCM, CDCFOP, SGUNIDADE, IDORIGPROD, "
    "CDSITTRIBICMS, CDALIQIMPFIS, CDCEST) SELECT '1009', 'PIZZA CALABRESA', '1905909A', CDCFOP, "
    "SGUNIDADE, IDORIGPROD, CDSITTRIBICMS, CDALIQIMPFIS, CDCEST FROM PRODUTO WHERE CDPRODUTO = "
    "'1001';"
    "INSERT INTO ALIQIMPFIS (CDFILIAL, CDPRODUTO, CDIMPOSTO, VRPEALIMPFIS) VALUES ('0001', "
    "'1009', 'ICMS', 18);"
    "UPDATE ITCOMANDAVEN SET CDPRODUTO = '1009' WHERE NRVENDAREST = '0000000009' AND "
    "NRPRODCOMVEN = '001';"
    "UPDATE ITCOMANDAVEN SET VRPRECCOMVEN = 1e-9 WHERE NRVENDAREST = '0000000010' AND "
    "NRPRODCOMVEN = '002';"
    "UPDATE MOVCAIXADLV SET VRMOVIVENDDLV = 45.90 WHERE NRVENDAREST = '0000000010';"
    "UPDATE ITCOMANDAVEN SET QTPRODCOMVEN = 0.0001 WHERE NRVENDAREST = '0000000011' AND "
    "NRPRODCOMVEN = '002';"
    "UPDATE MOVCAIXADLV SET VRMOVIVENDDLV = 45.90 WHERE NRVENDAREST = '0000000011';"
    "UPDATE MOVCAIXADLV SET VRMOVIVENDDLV = 'abc' WHERE NRVENDAREST = '0000000013';"
    "UPDATE ITCOMANDAVEN SET VRDESCCOMVEN = NULL, VRACRCOMVEN = NULL WHERE NRVENDAREST = "
    "'0000000012';";

TEST(OddOrdersTest, OddBillsAreLeftPendingWithTheirReasonAmongGoodOrdersThatClose) {
  vyrtest::TempStore scratch;
  const std::string dir = scratch.Dir() + "/loja";
  MakeDemoStore(dir, {"--sat", "--simples", "--pedidos", "13"}, scratch.Dir());
  const std::string db = StoreOf(dir);
  Exec(db, kOddOrders);

  const Result run = RunUntilIdle(dir, dir);
  const Result status = RunHost({"status", "--dir", dir}, dir);
  const std::string log = LogOf(dir);
  std::string orders;
  for (int n = 1; n <= 13; ++n) {
    const std::string venda = (n < 10 ? "000000000" : "00000000") + std::to_string(n);
    orders += std::to_string(n) + ": " +
              Scalar(db, "SELECT IDIMPCUPEXP FROM COMANDAVEN WHERE NRVENDAREST = '" + venda + "'") +
              " sold " +
              Scalar(db, "SELECT COUNT(*) FROM VENDA WHERE IDSITUVENDA = 'A' AND NRVENDAREST = '" +
                             venda + "'") +
              "\n";
  }
  // A cancelled sale names no order; the refused orders are three, each refused for one reason
  // however many times the run tried it.
  orders += "cancelled " + Scalar(db, "SELECT COUNT(*) FROM VENDA WHERE IDSITUVENDA = 'C'") + "\n";
  // The lines about a bill the scan leaves alone are logged once; a refusal, at each attempt.
  const auto odd = [&](const std::string& venda, const std::string& logged) {
    const bool once = logged.rfind("(venda ", 0) == 0;
    return venda + "\n  log: " + Logged(log, logged, once) +
           "\n  status: " + StatusOf(status.out, venda) + "\n";
  };
  const std::string shown =
      std::to_string(run.exit_code) + " " + std::to_string(status.exit_code) + "\n" + orders +
      odd("0000000002", "(venda 0000000002,") + odd("0000000005", "(venda 0000000005,") +
      odd("0000000007", "(venda 0000000007,") + odd("0000000008", "(venda 0000000008,") +
      odd("0000000004", "(venda 0000000004,") +
      odd("0000000006", "item 002 (produto 1002): ITCOM") + odd("0000000009", "NCM '1905909A'") +
      odd("0000000010", "comanda 0010, item") + odd("0000000011", "comanda 0011, item") +
      odd("0000000013", "pagamento 1 (tipo");
  const std::string repeated =
      "; nenhum deles é fechado até que o programa que exporta os pedidos dê a cada um o seu "
      "número de comanda (COMANDAVEN.NRCOMANDA).";
  const std::string exporter = " => quando o programa que exporta os pedidos corrigir a comanda";
  const std::string ncm =
      "ERRO: O produto 1009 (PIZZA CALABRESA) tem o NCM '1905909A' inválido (PRODUTO.NRNCM): o "
      "NCM tem 8 dígitos, com ou sem pontos.";
  const std::string price =
      "ERRO: A comanda 0010, item 2 (produto 1002): VRPRECCOMVEN arredonda para zero no documento "
      "fiscal sem ser zero (1E-9).";
  const std::string worth =
      "ERRO: A comanda 0011, item 2 (produto 1002): QTPRODCOMVEN x VRPRECCOMVEN arredonda para R$ "
      "0,00 sem o preço ser zero.";
  EXPECT_EQ(
      "0 0\n"
      "1: 3 sold 1\n2: 2 sold 0\n3: 3 sold 1\n4: 2 sold 0\n5: 2 sold 0\n6: 2 sold 0\n"
      "7: 2 sold 0\n8: 2 sold 0\n9: 2 sold 0\n10: 2 sold 0\n11: 2 sold 0\n12: 3 sold 1\n13: 2 sold "
      "0\n"
      "cancelled 3\n"
      "0000000002\n"
      "  log: Pedido não fechado (venda 0000000002, comanda 0002): a comanda 0002 está em 2 "
      "pedidos abertos (vendas 0000000002, 0000000005)" +
          repeated +
          " (x1)\n  status: a comanda 0002 está em 2 pedidos abertos (vendas "
          "0000000002, 0000000005)" +
          repeated + exporter +
          "\n"
          "0000000005\n"
          "  log: Pedido não fechado (venda 0000000005, comanda 0002): a comanda 0002 está em 2 "
          "pedidos abertos (vendas 0000000002, 0000000005)" +
          repeated +
          " (x1)\n  status: a comanda 0002 está em 2 pedidos abertos (vendas "
          "0000000002, 0000000005)" +
          repeated + exporter +
          "\n"
          "0000000007\n"
          "  log: Pedido não fechado (venda 0000000007, comanda 0007): a comanda 0007 está em 2 "
          "pedidos abertos (vendas 0000000007, 0000000008)" +
          repeated +
          " (x1)\n  status: a comanda 0007 está em 2 pedidos abertos (vendas "
          "0000000007, 0000000008)" +
          repeated + exporter +
          "\n"
          "0000000008\n"
          "  log: Pedido não fechado (venda 0000000008, comanda 0007): a comanda 0007 está em 2 "
          "pedidos abertos (vendas 0000000007, 0000000008)" +
          repeated +
          " (x1)\n  status: a comanda 0007 está em 2 pedidos abertos (vendas "
          "0000000007, 0000000008)" +
          repeated + exporter +
          "\n"
          "0000000004\n"
          "  log: Pedido não fechado (venda 0000000004, comanda 0004): a comanda não tem itens "
          "(ITCOMANDAVEN); é fechada quando o programa que exporta os pedidos gravar os seus "
          "itens. (x1)\n"
          "  status: a comanda não tem itens (ITCOMANDAVEN); é fechada quando o programa que "
          "exporta os pedidos gravar os seus itens." +
          exporter +
          "\n"
          "0000000006\n"
          "  log: Dados do pedido inválidos: a comanda 0006, item 002 (produto 1002): "
          "ITCOMANDAVEN.VRPRECCOMVEN não é um número: 'abc'.\n"
          "  status: Dados do pedido inválidos: a comanda 0006, item 002 (produto 1002): "
          "ITCOMANDAVEN.VRPRECCOMVEN não é um número: 'abc'. => apos espera\n"
          "0000000009\n"
          "  log: Retorno da setConcluifechamento: " +
          ncm + "\n  status: Ocorreu um erro durante a gravação da venda: " + ncm +
          ". => apos espera\n"
          "0000000010\n"
          "  log: Retorno da setConcluifechamento: " +
          price + "\n  status: Ocorreu um erro durante a gravação da venda: " + price +
          ". => apos espera\n"
          "0000000011\n"
          "  log: Retorno da setConcluifechamento: " +
          worth + "\n  status: Ocorreu um erro durante a gravação da venda: " + worth +
          ". => apos espera\n"
          "0000000013\n"
          "  log: Dados do pedido inválidos: a comanda 0013, pagamento 1 (tipo 001): "
          "MOVCAIXADLV.VRMOVIVENDDLV não é um número: 'abc'.\n"
          "  status: Dados do pedido inválidos: a comanda 0013, pagamento 1 (tipo 001): "
          "MOVCAIXADLV.VRMOVIVENDDLV não é um número: 'abc'. => apos espera\n",
      shown)
      << run.out << run.err << status.out;
}

}  // namespace
}  // namespace hosttest
