// Recording a closed bill: the sale with its lines, taxes, cancelled items and movements, once
// per bill, and nothing at all when the sale is refused or fails half-way.

#include "fiscal/register_fault.h"
#include "packages/fiscal/sale_fixture.h"

namespace {

using salefixture::Render;

class SaleClosingTest : public salefixture::SaleStoreTest {
 protected:
  void SetUp() override {
    SaleStoreTest::SetUp();
    vyrtest::InsertDeliveryBill(store_, bill_);
  }

  std::string Table(const std::string& sql) { return Render(store_.Query(sql)); }
};

TEST_F(SaleClosingTest, TheBillBecomesOneSaleOfTodayWithItsOrderAndAddress) {
  store_.Exec("UPDATE COMANDAVEN SET NRENDECONSCOM = '1000', NMMUNICONSCOM = 'SAO PAULO'");
  EXPECT_EQ("0000000001", Record());
  EXPECT_EQ(
      "0001|001|0000000001|CLI1|0001|\\N|1|A|0|0001|001|08:00:00||CAIXA1|01|D|V|S||CONS1|0001|"
      "DLV_0001|\\N|MARIA DA SILVA| ||3550308|1058|SP|B01|AV PAULISTA 1000|AP 12|01310100|"
      "0000000001|DLV|0000000001|A1B2C3|JARDINS|PERTO DO METRO|0|E|1000|SAO PAULO\n",
      Table("SELECT CDFILIAL, CDCAIXA, NRSEQVENDA, CDCLIENTE, CDEMPRESA, CDVENDEDOR, "
            "DTENTRVENDA = '2026-03-10 00:00:00', IDSITUVENDA, VRDESCVENDA, "
            "CDFILIALTUR, CDCAIXATUR, substr(DTABERTUR, 12), NRCUPOMFIS, CDOPERADOR, CDLOJA, "
            "IDTIPOVENDA, IDTPFORPGVEN, IDVENDEBCONS, NRMESA, CDCONSUMIDOR, NRCOMANDAVND, "
            "DSCOMANDAVND, CDSERVFILI, NMCONSVEND, NRINSCRCONS, NRVENDAEXT, CDMUNICIPIO, CDPAIS, "
            "SGESTADO, CDBAIRRO, DSENDECONSVENDA, DSCOMPLENDCOVEN, NRCEPCONSVENDA, "
            "NRSEQVENDAMSDE, IDORIGEMVENDA, NRVENDAREST, CDSENHAPED, DSBAIRRO, DSREFENDCONSVEN, "
            "VRTOTTRIBVEND, IDTIPOEMISSAO, NRENDECONSVENDA, NMMUNICONSVENDA FROM VENDA"));
}

TEST_F(SaleClosingTest, LinesTaxesCancelledItemsMovementsAndTheConsumerDebitBelongToTheSale) {
  ASSERT_EQ("0000000001", Record());
  EXPECT_EQ(
      "0001|01|001|0000000001|001|2|12.5|1001|1|0|0|10|PIZ|P|F01\n"
      "0001|01|001|0000000001|002|1|6|2002|0|0|0.5|\\N|\\N|\\N|F01\n",
      Table("SELECT * FROM ITEMVENDA ORDER BY NRSEQUITVEND"));
  EXPECT_EQ(
      "0001|001|0000000001|001|001|ICMS|ICMS|18|4.5\n"
      "0001|001|0000000001|002|001|ICMS|ICMS|12|0.72\n",
      Table("SELECT * FROM ITVENDAIMPOS ORDER BY NRSEQUITVEND"));
  EXPECT_EQ("0001|001|0000000001|001|1|12.5|0|1001|10|PIZ|P\n",
            Table("SELECT * FROM ITVENDACAN ORDER BY NRSEQITVENDC"));
  EXPECT_EQ(
      "0001|001|0000000001|001|E|PAGAMENTO DELIVERY|001|001|10|DINHEIRO|1|CLI1|CONS1|1|DINHEIRO|"
      "1|01|\\N|\\N\n"
      "0001|001|0000000001|002|E|PAGAMENTO DELIVERY|002|001|15.5|CARTAO|1|CLI1|CONS1|1|CARTAO|2|"
      "01|\\N|NSU123\n"
      "0001|001|0000000001|003|E|PAGAMENTO DELIVERY|009|001|5|CONTA CONSUMIDOR|1|CLI1|CONS1|1|"
      "CONTA CONSUMIDOR|9|05|\\N|\\N\n",
      Table("SELECT CDFILIAL, CDCAIXA, NRSEQVENDA, NRSEQUMOVI, IDTIPOMOVIVE, "
            "DSMOVIVEND, CDTIPORECE, CDTIPOTROCO, VRMOVIVEND, NMTIPORECE, NRORDTROCO, "
            "CDCLIENTE, CDCONSUMIDOR, DTMOVIMCAIXA = '2026-03-10 00:00:00', DSIMPFISCAL, "
            "IDTIPORECE, CDFPIMPFIS, CDBANCARTCR, CDNSUHOSTTEF "
            "FROM MOVCAIXA ORDER BY NRSEQUMOVI"));
  // The consumer-account payment is a debit on the consumer's account, not consolidated yet.
  EXPECT_EQ("CLI1|CONS1|0001|001|0000000001|D|5|\\N\n",
            Table("SELECT CDCLIENTE, CDCONSUMIDOR, CDFILIAL, CDCAIXA, NRDOCMOVEXT, IDTIPOMOVEXT, "
                  "VRMOVEXTCONS, IDCONSMOVEXT FROM MOVEXTCONS"));
}

class SaleRecordedOnceTest : public salefixture::SaleStoreTest {
 protected:
  void SetUp() override {
    SaleStoreTest::SetUp();
    vyrtest::InsertDeliveryBill(store_, bill_);
  }
};

// A cancelled sale of the bill (its fiscal closing failed before) does not count.
TEST_F(SaleRecordedOnceTest, TheSameBillTwiceAnswersTheFirstSale) {
  store_.Exec(
      "INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, NRVENDAREST, NRCOMANDAVND, IDSITUVENDA) "
      "VALUES ('0001', '002', '0000000007', '0000000001', '0001', 'C')");
  const std::string first = Record();
  const std::string second = Record();
  EXPECT_EQ("0000000001 0000000001 sales: 1 counter: 1",
            first + " " + second +
                " sales: " + std::to_string(store_.Count("VENDA", "IDSITUVENDA <> 'C'")) +
                " counter: " + store_.Scalar("SELECT NRULTSEQVENDA FROM PROXCODIGO"));
}

// Two registers that get past the look-ups at the same moment meet the store's index.
TEST_F(SaleRecordedOnceTest, TheStoreKeepsOneSaleNotCancelledPerBill) {
  const std::string insert =
      "INSERT INTO VENDA (CDFILIAL, CDCAIXA, NRSEQVENDA, NRVENDAREST, NRCOMANDAVND, IDSITUVENDA) "
      "VALUES ('0001', ?, ?, '0000000001', '0001', ?)";
  store_.Exec(insert, {"001", "0000000001", "A"});
  store_.Exec(insert, {"002", "0000000001", "C"});
  EXPECT_THROW(store_.Exec(insert, {"002", "0000000002", "A"}), std::runtime_error);
}

// The number is drawn in the sale's transaction: a sale that fails half-way gives it back.
TEST_F(SaleRecordedOnceTest, AFailureHalfWayLeavesNothingOfTheSaleNotEvenItsNumber) {
  store_.Exec(
      "CREATE TRIGGER RECUSA_MOVIMENTO BEFORE INSERT ON MOVCAIXA WHEN NEW.IDTIPORECE = '9' "
      "BEGIN SELECT RAISE(ABORT, 'movimento recusado'); END");
  const std::string failed = Record();
  const std::string counts = Counts();
  store_.Exec("DROP TRIGGER RECUSA_MOVIMENTO");
  EXPECT_EQ(
      "ERRO: movimento recusado | VENDA=0 ITEMVENDA=0 ITVENDAIMPOS=0 ITVENDACAN=0 MOVCAIXA=0 "
      "MOVEXTCONS=0  | "
      "then 0000000001",
      failed + " | " + counts + " | then " + Record());
}

// The question the closing asks before it draws a number answers as the recording would, and
// writes nothing: nothing to say for a good bill, the refusal for a bill the recording refuses,
// the bill's sale once it is recorded.
TEST_F(SaleRecordedOnceTest, TheCheckBeforeTheNumberAnswersAsTheRecordingWould) {
  const std::string good = Check() + "|" + Counts();
  store_.Exec("UPDATE ITCOMANDAVEN SET QTPRODCOMVEN = -1 WHERE NRPRODCOMVEN = '003'");
  const std::string refused = Check() + "|" + Counts();
  store_.Exec("UPDATE ITCOMANDAVEN SET QTPRODCOMVEN = 1 WHERE NRPRODCOMVEN = '003'");
  const std::string sale = Record();
  EXPECT_EQ(
      "|VENDA=0 ITEMVENDA=0 ITVENDAIMPOS=0 ITVENDACAN=0 MOVCAIXA=0 MOVEXTCONS=0 \n"
      "ERRO: A comanda 0001, item 2 (produto 2002): QTPRODCOMVEN é negativo (-1).|VENDA=0 "
      "ITEMVENDA=0 ITVENDAIMPOS=0 ITVENDACAN=0 MOVCAIXA=0 MOVEXTCONS=0 \n" +
          sale,
      good + "\n" + refused + "\n" + Check());
}

// A bill taken off the queue or deleted after the closing read it, before its sale is written
// (here while the sale's number is drawn): nothing is recorded, and the answer says why.
TEST_F(SaleRecordedOnceTest, ABillThatStopsWaitingWhileItIsClosedIsNotRecorded) {
  store_.Exec(
      "INSERT INTO PROXCODIGO (CDFILIAL, CDCAIXA, NRULTSEQVENDA) VALUES ('0001', '001', 0)");
  std::string outcome;
  for (const std::string change :
       {"UPDATE COMANDAVEN SET IDIMPCUPEXP = '3'", "DELETE FROM COMANDAVEN"}) {
    store_.Exec("UPDATE COMANDAVEN SET IDIMPCUPEXP = '2'");
    store_.Exec("CREATE TRIGGER FORA_DA_FILA AFTER UPDATE ON PROXCODIGO BEGIN " + change + "; END");
    outcome += Record() + " | " + Counts() + "\n";
    store_.Exec("DROP TRIGGER FORA_DA_FILA");
  }
  const std::string answer =
      "A comanda 0001 (venda 0000000001, filial 0001) não aguarda mais o fechamento automático: "
      "foi removida ou saiu da fila (COMANDAVEN.IDIMPCUPEXP diferente de '2') durante o "
      "fechamento; nada gravado | VENDA=0 ITEMVENDA=0 ITVENDAIMPOS=0 ITVENDACAN=0 MOVCAIXA=0 "
      "MOVEXTCONS=0 \n";
  EXPECT_EQ(answer + answer, outcome);
}

class SaleRefusalTest : public SaleRecordedOnceTest {
 protected:
  // The answer to the bill, and what it left in the store.
  // The answer, or the register's fault raised instead ("FALHA DO CAIXA: ...").
  std::string Refusal() {
    std::string answer;
    try {
      answer = Record();
    } catch (const VyrFiscal::FalhaDoCaixa& falha) {
      answer = std::string("FALHA DO CAIXA: ") + falha.what();
    }
    return answer + " | " + Counts() + "numbers: " + std::to_string(store_.Count("PROXCODIGO")) +
           "\n";
  }
};

// The answer when item 003 (product 2002, the sale's item 2) has `column` set to `value`, refused
// before anything is written.
class ItemValueRefusalTest : public SaleRefusalTest {
 protected:
  std::string RefusalWith(const std::string& column, const std::string& value) {
    Set(column, value);
    return Refusal();
  }
  void Set(const std::string& column, const std::string& value) {
    store_.Exec("UPDATE ITCOMANDAVEN SET " + column + " = " + value +
                " WHERE NRPRODCOMVEN = '003'");
  }
  const std::string nothing_ =
      " | VENDA=0 ITEMVENDA=0 ITVENDAIMPOS=0 ITVENDACAN=0 MOVCAIXA=0 MOVEXTCONS=0 numbers: 0\n";
};

TEST_F(ItemValueRefusalTest, AQuantityThatIsNotAFiniteNumberIsRefused) {
  EXPECT_EQ(
      "ERRO: A comanda 0001, item 2 (produto 2002): QTPRODCOMVEN não é um número: "
      "'INF'." +
          nothing_,
      RefusalWith("QTPRODCOMVEN", "9e999"));
}

// A missing price is no courtesy item: the NULL reaches the closing as NULL, not as 0.
TEST_F(ItemValueRefusalTest, AMissingPriceOrQuantityIsRefused) {
  std::string answers = RefusalWith("VRPRECCOMVEN", "NULL");
  Set("VRPRECCOMVEN", "6");
  answers += RefusalWith("QTPRODCOMVEN", "NULL");
  EXPECT_EQ(
      "ERRO: A comanda 0001, item 2 (produto 2002): VRPRECCOMVEN está vazio (NULL)." + nothing_ +
          "ERRO: A comanda 0001, item 2 (produto 2002): QTPRODCOMVEN está vazio (NULL)." + nothing_,
      answers);
}

TEST_F(ItemValueRefusalTest, AZeroQuantityOrANegativePriceIsRefused) {
  std::string answers = RefusalWith("QTPRODCOMVEN", "0");
  Set("QTPRODCOMVEN", "1");
  answers += RefusalWith("VRPRECCOMVEN", "-6");
  EXPECT_EQ("ERRO: A comanda 0001, item 2 (produto 2002): QTPRODCOMVEN é zero (0)." + nothing_ +
                "ERRO: A comanda 0001, item 2 (produto 2002): VRPRECCOMVEN é negativo (-6)." +
                nothing_,
            answers);
}

TEST_F(ItemValueRefusalTest, AQuantityOrAmountBeyondTheDocumentsFieldSizeIsRefused) {
  std::string answers = RefusalWith("QTPRODCOMVEN", "1e15");
  Set("QTPRODCOMVEN", "1e9");
  answers += RefusalWith("VRPRECCOMVEN", "1e5");
  EXPECT_EQ(
      "ERRO: A comanda 0001, item 2 (produto 2002): QTPRODCOMVEN excede o tamanho do "
      "campo do documento fiscal (1E15)." +
          nothing_ +
          "ERRO: A comanda 0001, item 2 (produto 2002): QTPRODCOMVEN x VRPRECCOMVEN "
          "excede o tamanho do campo do documento fiscal." +
          nothing_,
      answers);
}

TEST_F(SaleRefusalTest, EachRefusalNamesWhatToFillInAndWritesNothing) {
  std::string answers;
  store_.Exec("UPDATE FILIAL SET NRINSJURFILI = NULL");
  answers += Refusal();
  vyrtest::InsertFiscalBranch(store_, "0001");

  store_.Exec("UPDATE FILIAL SET NRINSESTFILI = ''");
  register_.id_tipo_emissao = "N";
  answers += Refusal();
  vyrtest::InsertFiscalBranch(store_, "0001");

  store_.Exec("UPDATE PRODUTO SET NRNCM = NULL WHERE CDPRODUTO = '2002'");
  answers += Refusal();
  store_.Exec("UPDATE PRODUTO SET NRNCM = '2202.10.0' WHERE CDPRODUTO = '2002'");
  answers += Refusal();
  store_.Exec("UPDATE PRODUTO SET NRNCM = '22021000' WHERE CDPRODUTO = '2002'");

  store_.Exec("UPDATE ITCOMANDAVEN SET IDSTPROCOMVEN = 'C'");
  answers += Refusal();

  const std::string nothing =
      " | VENDA=0 ITEMVENDA=0 ITVENDAIMPOS=0 ITVENDACAN=0 MOVCAIXA=0 MOVEXTCONS=0 numbers: 0\n";
  EXPECT_EQ("ERRO: A filial 0001 está sem CNPJ: preencha FILIAL.NRINSJURFILI." + nothing +
                "ERRO: A filial 0001 está sem inscrição estadual: preencha FILIAL.NRINSESTFILI." +
                nothing +
                "ERRO: O produto 2002 (REFRIGERANTE LATA) está sem NCM: preencha PRODUTO.NRNCM." +
                nothing +
                "ERRO: O produto 2002 (REFRIGERANTE LATA) tem o NCM '2202.10.0' inválido "
                "(PRODUTO.NRNCM): o NCM tem 8 dígitos, com ou sem pontos." +
                nothing +
                "ERRO: A comanda 0001 da filial 0001 não tem itens a vender (ITCOMANDAVEN)." +
                nothing,
            answers);
}

// What the documents would declare is checked under the branch's regime before anything is
// written: the ICMS group of the product's situation, the CEST it requires, the payment codes;
// and on a SAT register the device's installation values, whose lack is the register's fault.
TEST_F(SaleRefusalTest, WhatTheDocumentsDeclareIsRefusedBeforeRecording) {
  register_.id_tipo_emissao = "N";
  vyrtest::FiscalBranch simples;
  simples.regime = "1";
  vyrtest::InsertFiscalBranch(store_, "0001", simples);
  store_.Exec("UPDATE PRODUTO SET CDSITTRIBICMS = '90' WHERE CDPRODUTO = '2002'");
  std::string answers = Refusal();
  store_.Exec("UPDATE PRODUTO SET CDSITTRIBICMS = '60' WHERE CDPRODUTO = '2002'");
  answers += Refusal();
  store_.Exec("UPDATE PRODUTO SET CDCEST = '0300700' WHERE CDPRODUTO = '2002'");
  payments_[1].cdfpimpfis = "CR";
  answers += Refusal();
  payments_[1].cdfpimpfis = "03";
  register_.id_tipo_emissao = "S";
  answers += Refusal();
  store_.Exec(
      "INSERT INTO CAIXAFISCAL (CDFILIAL, CDCAIXA, DSLIBSAT) VALUES ('0001', '001', "
      "'/opt/sat/libsat.so')");
  answers += Refusal();
  const std::string nothing =
      " | VENDA=0 ITEMVENDA=0 ITVENDAIMPOS=0 ITVENDACAN=0 MOVCAIXA=0 MOVEXTCONS=0 numbers: 0\n";
  EXPECT_EQ(
      "ERRO: O produto 2002 (REFRIGERANTE LATA) tem a situação tributária '90' "
      "(PRODUTO.CDSITTRIBICMS), sem grupo de ICMS válido para o regime '1' da filial: corrija-a "
      "ou o seu grupo na tabela SITTRIBREGIME." +
          nothing +
          "ERRO: O produto 2002 (REFRIGERANTE LATA) está sem CEST, que a situação tributária "
          "'60' exige: preencha PRODUTO.CDCEST (7 dígitos)." +
          nothing +
          "ERRO: O tipo de recebimento 002 (CARTAO) está sem código fiscal de pagamento válido "
          "('CR'): preencha CDFPIMPFIS no layout de recebimentos do caixa (ConfTipoRece)." +
          nothing +
          "FALHA DO CAIXA: O caixa 001 da filial 0001 não indica a biblioteca do SAT: preencha "
          "CAIXAFISCAL.DSLIBSAT (libVyrSatEmulador.so para o emulador)." +
          nothing +
          "FALHA DO CAIXA: O caixa 001 da filial 0001 está sem o CNPJ da software house ou a "
          "assinatura do "
          "AC registrada no SAT: preencha CAIXAFISCAL.NRCNPJSOFTHOUSE e CAIXAFISCAL.DSSIGNAC." +
          nothing,
      answers);
}

}  // namespace
