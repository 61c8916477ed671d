#pragma once
// `hostagent export-xml`: the month's fiscal files of one register, in one zip archive for the
// store's accountant. Read only on the store: the archive holds the files the store kept when
// each document was issued and answered (nothing is rebuilt from the database), and a summary.
//
// The archive: every authorised NFC-e of the month as its nfeProc file (note and protocol), with
// every file the store keeps beside it under the note's key (an event and its answer); the CF-e
// files of a SAT register; "resumo.csv", one line per document, voided number and missing number
// of the month (numero;serie;chave;data;total;situacao). The month is the branch's
// (FILIAL.DSFUSOHORARIO): a document belongs to the month of the date it bears.

#include <iosfwd>
#include <string>

namespace hostagent {

struct ExportXmlOptions {
  std::string dir;                  // an existing folder
  std::string filial, caixa, loja;  // empty: from Dados/Caixa.ini (host_records.h)
  std::string mes;                  // "YYYY-MM"
  std::string saida;  // the archive; empty: <dir>/Dados/Contador/XML-<filial>-<caixa>-<mes>.zip
  bool continuar = false;  // write the archive even when a note is not authorised
};

// Exit code of a month with a note not authorised or a voiding the authority has not confirmed,
// when `continuar` is not given: nothing is written. A missing number is named, not refused.
inline constexpr int kExitMesIncompleto = 10;

// Writes the archive and prints what it holds. Returns 0 when written; kExitMesIncompleto;
// 1 when the store cannot be read or a file it names cannot be (named on `err`, nothing
// written); 2 for a month that is no "YYYY-MM" or a register neither the options nor
// Dados/Caixa.ini name; 4 for a register the store has no CAIXA row for.
int RunExportXml(const ExportXmlOptions& options, std::ostream& out, std::ostream& err);

}  // namespace hostagent
