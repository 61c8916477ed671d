// The consumer account: open movements, consolidation into the balance and the credit check.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "receivables/consumer_account.h"
#include "receivables/rdm_recebimento.h"
#include "receivables/receivables_functions.h"
#include "rtl/program_dir.h"
#include "support/temp_store.h"

namespace {

using rtl::EncodeDate;
using rtl::EncodeTime;

class ConsumerBalanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("VYR_CONEXAO");
    rtl::SetProgramDirectory(store_.Dir());
    VyrRecebimento::rdmRecebimento = new VyrRecebimento::TrdmRecebimento();
    store_.Exec(
        "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, CDFAMILISALD, "
        "VRLIMCREDCONS) VALUES ('C1', '0001', 'Ana', '001', 100)");
  }
  void TearDown() override {
    delete VyrRecebimento::rdmRecebimento;
    VyrRecebimento::rdmRecebimento = nullptr;
    rtl::SetProgramDirectory("");
  }

  void Debit(const std::string& sale, double value, int day) {
    VyrRecebimento::LancaDebitoConsumidor(VyrRecebimento::rdmRecebimento->adcRecebimento, "C1",
                                          "0001", "0001", "001", sale, value,
                                          EncodeDate(2026, 1, day) + EncodeTime(10, 0, 0, 0));
  }
  void Credit(const std::string& receipt, double value, int day) {
    VyrRecebimento::LancaCreditoConsumidor(VyrRecebimento::rdmRecebimento->adcRecebimento, "C1",
                                           "0001", "0001", "001", receipt, value,
                                           EncodeDate(2026, 1, day) + EncodeTime(10, 0, 0, 0));
  }

  // The balance row, the movements and the earliest open date, as one text.
  std::string Account() const {
    std::string text;
    for (const auto& row : store_.Query(
             "SELECT VRSALDOCONS, DTCONSSALDO, CDFILIAL FROM SALDOCONS WHERE CDCLIENTE = 'C1'")) {
      text += "saldo " + row[0] + " em " + row[1] + " por " + row[2] + "|";
    }
    for (const auto& row : store_.Query("SELECT NRDOCMOVEXT, IDTIPOMOVEXT, VRMOVEXTCONS, "
                                        "IDCONSMOVEXT FROM MOVEXTCONS ORDER BY DTMOVEXTCONS")) {
      text += row[0] + " " + row[1] + " " + row[2] + " " + row[3] + "|";
    }
    return text + "aberto desde " + Packet(VyrRecebimento::getMinDtMovExtCons("C1", "0001"));
  }

  static std::string Packet(const rtl::Variant& value) {
    const rtl::DataPacket& packet = value.AsPacket();
    std::string text;
    for (const auto& field : packet.Fields()) {
      text += field.name + ":" + rtl::FieldTypeName(field.type) + " ";
    }
    text += "[";
    for (const auto& row : packet.Rows()) {
      for (const auto& cell : row) text += cell.AsString() + " ";
    }
    return text + "]";
  }

  static rtl::Variant FamilyBalance(double value) {
    return rtl::Variant(
        rtl::DataPacket({rtl::TextField("CDFAMILISALD", 3), rtl::FloatField("VRSALDCONFAM")},
                        {{rtl::Variant("001"), rtl::Variant(value)}}));
  }

  static rtl::Variant Validate(double value) {
    return VyrRecebimento::setValidaSaldoCons("0001", "001", "C1", "0001", "N", "", "N",
                                              FamilyBalance(value), 0);
  }

  vyrtest::TempStore store_;
};

TEST_F(ConsumerBalanceTest, AnAccountWithoutOpenMovementsGivesTheColumnAndNoRows) {
  EXPECT_EQ("aberto desde DTMOVEXTCONS:DateTime []", Account());
}

TEST_F(ConsumerBalanceTest, ConsolidatingFromADateLeavesEarlierMovementsOpen) {
  Debit("0000000001", 30, 10);
  Debit("0000000002", 20, 11);
  Credit("R1", 15, 12);
  VyrRecebimento::EvoluiSaldo("C1", "0001", "0002", EncodeDate(2026, 1, 11));
  EXPECT_EQ(
      "saldo 5 em 2026-01-12 10:00:00 por 0002|0000000001 D 30 \\N|0000000002 D 20 S|R1 C 15 S|"
      "aberto desde DTMOVEXTCONS:DateTime [10/01/2026 10:00:00 ]",
      Account());
}

TEST_F(ConsumerBalanceTest, ConsolidatingTwiceFromTheBeginningCountsEachMovementOnce) {
  Debit("0000000001", 30, 10);
  Credit("R1", 15, 12);
  VyrRecebimento::EvoluiSaldo("C1", "0001", "0001", 0);
  VyrRecebimento::EvoluiSaldo("C1", "0001", "0001", 0);
  EXPECT_EQ(
      "saldo 15 em 2026-01-12 10:00:00 por 0001|0000000001 D 30 S|R1 C 15 S|"
      "aberto desde DTMOVEXTCONS:DateTime []",
      Account());
}

TEST_F(ConsumerBalanceTest, ASaleBeyondTheAvailableCreditIsRefusedSayingWhoAndHowMuch) {
  store_.Exec(
      "INSERT INTO SALDOCONS (CDCLIENTE, CDCONSUMIDOR, VRSALDOCONS) VALUES ('C1', '0001', "
      "70)");
  Debit("0000000001", 20, 10);
  try {
    Validate(25);
    FAIL() << "not refused";
  } catch (const std::exception& e) {
    EXPECT_STREQ("Saldo insuficiente para o consumidor 0001: disponível R$ 10,00, venda R$ 25,00",
                 e.what());
  }
}

// Up to the whole available credit: the advance of 30 and the limit of 100.
TEST_F(ConsumerBalanceTest, AnAcceptedSaleAnswersWhatTheLimitLendsBeyondTheAdvance) {
  store_.Exec(
      "INSERT INTO SALDOCONS (CDCLIENTE, CDCONSUMIDOR, VRSALDOCONS) VALUES ('C1', '0001', "
      "-30)");
  EXPECT_EQ("CDFAMILISALD:String VREMPRESTFAM:Float [001 20 ]" + std::string("|") +
                "CDFAMILISALD:String VREMPRESTFAM:Float []|"
                "CDFAMILISALD:String VREMPRESTFAM:Float [001 100 ]",
            Packet(Validate(50)) + "|" + Packet(Validate(30)) + "|" + Packet(Validate(130)));
}

TEST_F(ConsumerBalanceTest, AConsumerThatDoesNotExistIsNamed) {
  try {
    VyrRecebimento::setValidaSaldoCons("0001", "001", "C1", "0099", "N", "", "N", FamilyBalance(1),
                                       0);
    FAIL() << "not refused";
  } catch (const std::exception& e) {
    EXPECT_STREQ("Consumidor 0099 do cliente C1 não cadastrado (tabela CONSUMIDOR)", e.what());
  }
}

}  // namespace
