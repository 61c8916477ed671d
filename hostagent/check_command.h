#pragma once
// `hostagent check`: whether a register is ready for its first sale, or exactly what is not. It
// reads the register's whole configuration (the store, the program directory's files, the
// printer) and prints one line per thing that would stop an order or make a document wrong,
// naming the table, column or file to mend, then a closing line. Read only on the store.

#include <iosfwd>
#include <string>

namespace hostagent {

struct CheckOptions {
  std::string dir;                  // an existing folder
  std::string filial, caixa, loja;  // empty: from Dados/Caixa.ini (host_records.h)
  bool json = false;                // the same as one JSON object
  bool online = false;              // also ask the authority's status service
};

// Exit code when something stops a sale. Warnings (a certificate or an IBPT table ending soon,
// numbers to void, homologation) do not.
inline constexpr int kExitCheckFalhou = 1;

// Returns 0 when nothing stops a sale, kExitCheckFalhou when something does (or the store
// cannot be read), 2 for a register neither the options nor Dados/Caixa.ini name, 4 for a
// register the store has no CAIXA row for.
int RunCheck(const CheckOptions& options, std::ostream& out, std::ostream& err);

// The help's list of the exit codes.
extern const char* const kCheckExitCodesHelp;

}  // namespace hostagent
