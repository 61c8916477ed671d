// The sales the document pass takes up, in a real store: those owing a document and those owing
// a receipt together, oldest first, as many as the pass asks for; cancelled sales and receipts
// that are still printing take none of its places.

#include <gtest/gtest.h>
#include <stdlib.h>

#include "fiscal/fiscal_functions.h"
#include "fiscal/fiscal_store.h"
#include "support/store_builders.h"
#include "support/temp_store.h"

namespace {

class DocumentPassTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("VYR_CONEXAO", store_.SqliteConnectionString().c_str(), 1);
    VyrFiscal::ConexaoFiscal().Close();
  }
  void TearDown() override {
    VyrFiscal::ConexaoFiscal().Close();
    unsetenv("VYR_CONEXAO");
  }

  // Sale `numero`, of emission `tipo`, its document pending as `pendencia` ("" for none), its
  // receipt in `recibo` ("" for no row).
  void Venda(const std::string& numero, const std::string& tipo, const std::string& pendencia,
             const std::string& recibo, const std::string& situacao = "A") {
    vyrtest::InsertSale(store_, "0001", "001", numero, "01", numero, vyrtest::TodayText());
    store_.Exec("UPDATE VENDA SET IDTIPOEMISSAO = ?, IDSITUVENDA = ? WHERE NRSEQVENDA = ?",
                {tipo, situacao, numero});
    if (!pendencia.empty()) {
      store_.Exec("UPDATE VENDA SET IDDOCPENDVENDA = ? WHERE NRSEQVENDA = ?", {pendencia, numero});
    }
    if (!recibo.empty()) {
      store_.Exec(
          "INSERT INTO VENDACUPOM (CDFILIAL, CDCAIXA, NRSEQVENDA, IDSITUCUPOM, QTTENTCUPOM, "
          "QTREIMPCUPOM, DTHRSITUCUPOM) VALUES ('0001', '001', ?, ?, 1, 0, "
          "datetime('now', 'localtime'))",
          {numero, recibo});
    }
  }

  std::string Pendentes(int limite) {
    std::string texto;
    for (const std::string& venda : VyrFiscal::DocumentosPendentes("0001", "001", limite)) {
      texto += venda.substr(8) + " ";
    }
    return texto;
  }

  vyrtest::TempStore store_;
};

TEST_F(DocumentPassTest, OldestFirstWithoutCancelledSalesOrPrintsInProgress) {
  Venda("0000000006", "S", "", "FALHOU");
  Venda("0000000002", "S", "", "IMPRIMINDO");  // printing now
  Venda("0000000003", "N", "NAOEMITIDO", "PENDENTE");
  Venda("0000000001", "S", "SAT", "PENDENTE", "C");  // cancelled
  Venda("0000000004", "N", "NAOEMITIDO", "PENDENTE", "C");
  Venda("0000000005", "S", "SAT", "PENDENTE");
  EXPECT_EQ("03 05 06 |03 05 ", Pendentes(-1) + "|" + Pendentes(2));
}

}  // namespace
