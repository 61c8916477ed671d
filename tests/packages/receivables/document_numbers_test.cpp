// Electronic document numbers drawn from the store's counters, by one process and by two at once.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "receivables/rdm_recebimento.h"
#include "receivables/receivables_functions.h"
#include "rtl/program_dir.h"
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

// Runs in the child: draws `count` numbers once the parent closes `start`, writes them to `out`.
[[noreturn]] void DrawInChild(int start, int out, int count) {
  int status = 0;
  try {
    char go;
    if (read(start, &go, 1) < 0) status = 4;
    std::string numbers;
    for (int i = 0; i < count; ++i) numbers += Draw("1", "2", true) + "\n";
    if (write(out, numbers.data(), numbers.size()) != static_cast<ssize_t>(numbers.size())) {
      status = 3;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "child: %s\n", e.what());
    status = 2;
  }
  _exit(status);
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, n);
  close(fd);
  return text;
}

TEST_F(DocumentNumbersTest, TwoProcessesDrawingAtOnceNeverShareANumber) {
  const int kPerChild = 50;
  int start[2];
  ASSERT_EQ(0, pipe(start));
  std::vector<pid_t> children;
  std::vector<int> outputs;
  for (int c = 0; c < 2; ++c) {
    int out[2];
    ASSERT_EQ(0, pipe(out));
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(start[1]);
      close(out[0]);
      DrawInChild(start[0], out[1], kPerChild);
    }
    close(out[1]);
    children.push_back(pid);
    outputs.push_back(out[0]);
  }
  close(start[0]);
  close(start[1]);  // both children start drawing now

  std::multiset<long> numbers;
  for (int fd : outputs) {
    const std::string text = ReadAll(fd);
    for (size_t from = 0, end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
      numbers.insert(std::stol(text.substr(from, end - from)));
    }
  }
  std::string exits;
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    exits += WIFEXITED(status) ? std::to_string(WEXITSTATUS(status)) : "signal";
  }
  const std::set<long> distinct(numbers.begin(), numbers.end());
  EXPECT_EQ("exits 00, 100 numbers, 100 distinct, from 1 to 100",
            "exits " + exits + ", " + std::to_string(numbers.size()) + " numbers, " +
                std::to_string(distinct.size()) + " distinct, from " +
                std::to_string(distinct.empty() ? 0 : *distinct.begin()) + " to " +
                std::to_string(distinct.empty() ? 0 : *distinct.rbegin()));
}

}  // namespace
