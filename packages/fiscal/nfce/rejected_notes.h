#pragma once
// The notes the authoriser refused (status "rejected"): each is named once in the worker's log,
// with the sale, the key, cStat and xMotivo and what comes next, whether the refusal came at the
// closing or in the background transmission. A rejection consumes no number at the authority:
// the number stays with the sale until a corrected note carries it or it is voided. A denial
// (110, 301, 302, 303) does consume it: it is never voided.
// Statements run on the caller's connection. Not thread-safe: one connection, one thread.

#include <string>
#include <vector>

#include "db/connection.h"

namespace VyrFiscal::Nfce {

// What comes next for a refused note of number `nNF` in series `serie`, refused with `motivo`
// ("cStat xMotivo"), for the log and for `hostagent status`.
std::string ProximoPassoRejeicao(const std::string& nNF, const std::string& serie,
                                 const std::string& motivo);

// Appends a line for each refused note of the register the log has not named yet, oldest sale
// first, and records that it was named.
void AvisaRejeicoes(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                    const std::string& CDCAIXA, std::vector<std::string>& linhas);

}  // namespace VyrFiscal::Nfce
