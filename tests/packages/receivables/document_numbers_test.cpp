// Electronic document numbers drawn from the store's counters, by one process and by two at once.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <set>
#include <string>
#include <vector>

#include "receivables/rdm_recebimento.h"
#include "receivables/receivables_functions.h"
#include "rtl/fault_point.h"
#include "rtl/program_dir.h"
#include "support/process_race.h"
#include "support/temp_store.h"

namespace {

class DocumentNumbersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("VYR_CONEXAO");
    rtl::SetProgramDirectory(store_.Dir());
  }
  void TearDown() override {
    delete VyrRecebimento::rdmRecebimento;
    VyrRecebimento::rdmRecebimento = nullptr;
    rtl::SetProgramDirectory("");
  }
  vyrtest::TempStore store_;
};

std::string Draw(const std::string& serie, const std::string& ambiente, bool isNfce) {
  return VyrRecebimento::setNumeroNFCe("0001", "001", serie, ambiente, isNfce).AsString();
}

// The number of bill `nrcomanda` of register 001, series 1, homologation.
std::string Reserve(const std::string& nrcomanda) {
  return VyrRecebimento::ReservaNumeroNFCe("0001", "001", "1", "2", true, "00000000" + nrcomanda,
                                           nrcomanda)
      .AsString();
}

class NumberReservationTest : public DocumentNumbersTest {
 protected:
  // The counter and the reservations: "counter 2|1 0001 reserved;2 0002 reserved;".
  std::string Numbers() const {
    std::string text = "counter " + store_.Scalar("SELECT NRULTDOCFIS FROM PROXNUMDOCFIS") + "|";
    for (const auto& row : store_.Query(
             "SELECT NRDOCFIS, NRCOMANDA, IDSITRESERVA FROM NUMDOCRESERV ORDER BY NRDOCFIS")) {
      text += row[0] + " " + row[1] + " " + row[2] + ";";
    }
    return text;
  }
};

// A stop between the draw and the reservation (the process ends there) draws nothing: the next
// closing of the bill draws the same number and keeps it; the bill asks again and gets it back.
TEST_F(NumberReservationTest, AStopBetweenTheDrawAndItsReservationLeavesNoNumberBehind) {
  delete VyrRecebimento::rdmRecebimento;
  VyrRecebimento::rdmRecebimento = nullptr;
  const std::vector<vyrtest::ChildResult> child = vyrtest::RunInProcesses(1, [] {
    rtl::OnFaultPoint = [](const std::string& at) {
      if (at == rtl::kFalhaNumeroSorteado) _exit(9);
    };
    return Reserve("0001");
  });
  const std::string first = Reserve("0001");
  const std::string again = Reserve("0001");
  const std::string next = Reserve("0002");
  EXPECT_EQ("9|1 1 2|counter 2|1 0001 reserved;2 0002 reserved;",
            vyrtest::Exits(child) + "|" + first + " " + again + " " + next + "|" + Numbers());
}

// A reservation the store refuses (a full disk) fails the draw with it, naming the table.
TEST_F(NumberReservationTest, AReservationThatCannotBeWrittenTakesItsNumberBack) {
  store_.Exec(
      "CREATE TRIGGER DISCO_CHEIO BEFORE INSERT ON NUMDOCRESERV BEGIN SELECT RAISE(ABORT, "
      "'database or disk is full'); END");
  std::string outcome;
  try {
    outcome = Reserve("0001");
  } catch (const std::exception& e) {
    outcome = e.what();
  }
  store_.Exec("DROP TRIGGER DISCO_CHEIO");
  outcome += "|" + Reserve("0001");
  EXPECT_EQ(
      "Reserva do número do documento fiscal da comanda 0001 (tabela NUMDOCRESERV): database or "
      "disk is full|1|counter 1|1 0001 reserved;",
      outcome + "|" + Numbers());
}

TEST_F(DocumentNumbersTest, EachSeriesEnvironmentAndModelCountsOnItsOwn) {
  store_.Exec(
      "INSERT INTO PROXNUMDOCFIS (CDFILIAL, NRSERIEDOCFIS, IDAMBDOCFIS, CDMODDOCFIS, NRULTDOCFIS) "
      "VALUES ('0001', '3', '1', '65', 41)");
  std::string drawn;
  drawn += Draw("1", "2", true) + " ";
  drawn += Draw("001", "2", true) + " ";
  drawn += Draw("1", "1", true) + " ";
  drawn += Draw("1", "2", false) + " ";
  drawn += Draw("2", "2", true) + " ";
  drawn += Draw("003", "1", true);
  EXPECT_EQ("1 2 1 1 1 42", drawn);
}

TEST_F(DocumentNumbersTest, TheLastNineDigitNumberIsDrawnAndThenTheSeriesIsSpent) {
  store_.Exec(
      "INSERT INTO PROXNUMDOCFIS (CDFILIAL, NRSERIEDOCFIS, IDAMBDOCFIS, CDMODDOCFIS, NRULTDOCFIS) "
      "VALUES ('0001', '1', '2', '65', 999999998)");
  std::string drawn = Draw("1", "2", true) + "|";
  try {
    drawn += Draw("1", "2", true);
  } catch (const std::exception& e) {
    drawn += e.what();
  }
  EXPECT_EQ(
      "999999999|Numeração esgotada ou inválida (tabela PROXNUMDOCFIS, filial 0001, série 1, "
      "ambiente 2, modelo 65, NRULTDOCFIS 1000000000)|counter 999999999",
      drawn + "|counter " + store_.Scalar("SELECT NRULTDOCFIS FROM PROXNUMDOCFIS"));
}

TEST_F(DocumentNumbersTest, ASeriesThatIsNotANumberIsNamed) {
  try {
    Draw("A1", "2", true);
    FAIL() << "no error";
  } catch (const std::exception& e) {
    EXPECT_STREQ(
        "Série do documento fiscal inválida: 'A1' (CAIXAFISCAL.NRSERIENFCE deve ter de 1 a 3 "
        "dígitos)",
        e.what());
  }
}

TEST_F(DocumentNumbersTest, TwoProcessesDrawingAtOnceNeverShareANumber) {
  constexpr int kPerChild = 50;
  const std::vector<vyrtest::ChildResult> children = vyrtest::RunInProcesses(2, [] {
    std::string numbers;
    for (int i = 0; i < kPerChild; ++i) numbers += Draw("1", "2", true) + "\n";
    return numbers;
  });
  std::multiset<long> numbers;
  for (const vyrtest::ChildResult& child : children) {
    const std::string& text = child.output;
    for (size_t from = 0, end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
      numbers.insert(std::stol(text.substr(from, end - from)));
    }
  }
  const std::string exits = vyrtest::Exits(children);
  const std::set<long> distinct(numbers.begin(), numbers.end());
  EXPECT_EQ("exits 00, 100 numbers, 100 distinct, from 1 to 100",
            "exits " + exits + ", " + std::to_string(numbers.size()) + " numbers, " +
                std::to_string(distinct.size()) + " distinct, from " +
                std::to_string(distinct.empty() ? 0 : *distinct.begin()) + " to " +
                std::to_string(distinct.empty() ? 0 : *distinct.rbegin()));
}

}  // namespace
