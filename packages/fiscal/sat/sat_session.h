#pragma once
// Session numbers of the calls to a SAT device: 6 digits, never one of the last 100 used, kept in
// a file so that a restart of the program does not repeat them.

#include <string>

namespace VyrFiscal::Sat {

class SessoesSat {
 public:
  // `arquivo`: the recent numbers, one per line (the folder and the file are created when
  // missing). Candidates are drawn from 100000 to 999999 through rtl::Random.
  explicit SessoesSat(std::string arquivo);

  // A fresh number, recorded in the file before it is returned. With `compartilhado` (one device
  // shared by several registers) its last three digits are the register's number `CDCAIXA`, so
  // that two registers never use the same session. Raises rtl::EInOutError naming the file when
  // it cannot be written.
  int Nova(const std::string& CDCAIXA, bool compartilhado);

 private:
  const std::string arquivo_;
};

// "Dados/SatSessoes.txt" in the program directory.
std::string ArquivoSessoes();

}  // namespace VyrFiscal::Sat
