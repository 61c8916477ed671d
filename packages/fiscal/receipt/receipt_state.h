#pragma once
// The print state of a recorded sale's receipt (table VENDACUPOM), so that a receipt is printed
// at most once, whatever stops the program, unless an operator asks for it again.
//
// The state is written before the printer is called and again once it answered:
//   "PENDENTE"    recorded with the sale, nothing printed yet;
//   "IMPRIMINDO"  sent to the printer, its outcome not recorded: a stop during the print leaves
//                 it so; once kPrazoImpressao has passed (no print lasts that long), or when it
//                 was marked before this process started the register's printer (the process
//                 that printed it is gone), the print counts as interrupted and is taken again,
//                 as a second copy ("2ª VIA"), within the same kTentativasCupom attempts;
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

// Seconds after which a receipt still "IMPRIMINDO" was interrupted: far above the printer's own
// limit (printer_port.h), so a print in progress is never taken from under its printer.
inline constexpr int kPrazoImpressao = 60;

// How a receipt was taken for printing.
enum class Reserva {
  Nenhuma,     // not taken: printed, being printed, or out of attempts
  Primeira,    // no paper of it can have come out yet
  SegundaVia,  // a paper may have come out: an interrupted print, or an operator's reprint
};

struct VendaDoCupom {
  std::string CDFILIAL, CDCAIXA, NRSEQVENDA;
};

// This process started the register's printer now (start_routines.h): prints marked before
// were cut short with the process that made them, since one worker serves a register at a time.
// A start later than rtl::Now() (a clock held still by a test) is not counted.
void MarcaInicioDaImpressora();

// The receipt of a sale just recorded is owed ("PENDENTE"); joins the caller's transaction.
void RegistraCupomPendente(ado::TADOConnection& conexao, const VendaDoCupom& venda);

// Takes the receipt for printing ("IMPRIMINDO", one more attempt) by a compare-and-set: owed
// ("PENDENTE", or "FALHOU" with attempts left) answers Primeira; interrupted (see above, with
// attempts left) answers SegundaVia; anything else answers Nenhuma and changes nothing. An
// operator's reprint (`reimpressao`) always takes it, as SegundaVia, counted apart (QTREIMPCUPOM).
Reserva ReservaImpressao(ado::TADOConnection& conexao, const VendaDoCupom& venda, bool reimpressao);

// What the printer answered: printed, or the failure's message (cut to the column's size).
void RegistraImpressao(ado::TADOConnection& conexao, const VendaDoCupom& venda,
                       const std::string& erro = "");

// The register's sales, oldest first, whose receipt is owed ("PENDENTE", "FALHOU" or interrupted,
// with attempts left) and can be printed: their document is no longer pending, or it is an NFC-e
// issued offline (tpEmis 9), whose contingency DANFE goes with the delivery. Cancelled sales are
// never listed.
std::vector<std::string> CuponsDevidos(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                                       const std::string& CDCAIXA);

}  // namespace VyrFiscal::Cupom
