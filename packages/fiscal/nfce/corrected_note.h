#pragma once
// A note the authority rejected (not denied) made again for its sale under the same series and
// number: a rejection consumes no number, and the data or settings at fault may have been
// corrected since. Each rejected note is made again once an hour after its last send, from the
// sale's rows and the register's settings as they are then (a new key and a new emission time),
// and the background sends it like any other; one rejected again is named in the log again.
// Statements run on the caller's connection. Not thread-safe: one connection, one thread.

#include <string>
#include <vector>

#include "db/connection.h"

namespace VyrFiscal::Nfce {

// True when a refusal with `motivo` ("cStat xMotivo") leaves the number to a corrected note:
// not a denial (the number is used) and not a duplicate (204, 539: settled by a query).
bool RejeicaoRefazivel(const std::string& motivo);

// Makes again the register's oldest rejected note whose last send is an hour old or more, if
// any, and appends a line for the log: the note made, or why it could not be made.
void RefazNotaRejeitada(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                        const std::string& CDCAIXA, std::vector<std::string>& linhas);

}  // namespace VyrFiscal::Nfce
