#pragma once
// The print state of a recorded sale's receipt (table VENDACUPOM), so that a receipt is printed
// at most once, whatever stops the program, unless an operator asks for it again.
//
// The state is written before the printer is called and again once it answered:
//   "PENDENTE"    recorded with the sale, nothing printed yet;
//   "IMPRIMINDO"  sent to the printer, its outcome not recorded: a stop during the print leaves
//                 it so, and the receipt is not printed again without an operator;
//   "IMPRESSO"    printed;
//   "FALHOU"      the printer refused it (DSERROCUPOM says why): tried again, at most
//                 kTentativasCupom times in all.
// Statements run on the caller's connection. Internal to the package.

#include <string>
#include <vector>

#include "db/connection.h"

namespace VyrFiscal::Cupom {

inline constexpr const char* kCupomPendente = "PENDENTE";
inline constexpr const char* kCupomImprimindo = "IMPRIMINDO";
inline constexpr const char* kCupomImpresso = "IMPRESSO";
inline constexpr const char* kCupomFalhou = "FALHOU";

// Prints a receipt that failed are tried in all, counting the first.
inline constexpr int kTentativasCupom = 5;

struct VendaDoCupom {
  std::string CDFILIAL, CDCAIXA, NRSEQVENDA;
};

// The receipt of a sale just recorded is owed ("PENDENTE"); joins the caller's transaction.
void RegistraCupomPendente(ado::TADOConnection& conexao, const VendaDoCupom& venda);

// Takes the receipt for printing ("IMPRIMINDO", one more attempt) and answers true; answers
// false, changing nothing, when it is printed, being printed or of unknown outcome. An operator's
// reprint (`reimpressao`) always takes it, and is counted apart (QTREIMPCUPOM).
bool ReservaImpressao(ado::TADOConnection& conexao, const VendaDoCupom& venda, bool reimpressao);

// What the printer answered: printed, or the failure's message (cut to the column's size).
void RegistraImpressao(ado::TADOConnection& conexao, const VendaDoCupom& venda,
                       const std::string& erro = "");

// The register's sales whose document is no longer pending and whose receipt is still owed
// ("PENDENTE", or "FALHOU" with attempts left).
std::vector<std::string> CuponsDevidos(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                       const std::string& CDCAIXA);

}  // namespace VyrFiscal::Cupom
