#pragma once
// `hostagent cancel-note`: cancels the authorised NFC-e of a recorded sale whose delivery came
// back, through the fiscal package's cancellation (event 110111 to the state's authority). The
// event and its answer are kept beside the note, the sale is marked cancelled, nothing prints.

#include <iosfwd>
#include <string>

namespace hostagent {

struct CancelNoteOptions {
  std::string dir;                  // an existing folder
  std::string filial, caixa, loja;  // empty: from Dados/Caixa.ini (host_records.h)
  std::string venda;                // NRSEQVENDA; a shorter number is zero-padded ("1")
  std::string motivo;               // the reason the authority records (15 to 255 characters)
};

// Returns 0 when the authority registered the cancellation (or had it already); 1 when it
// would refuse it, refused it or did not answer (the reason on `err`); 2 for a register neither
// the options nor Dados/Caixa.ini name; 4 for a register the store has no CAIXA row for.
int RunCancelNote(const CancelNoteOptions& options, std::ostream& out, std::ostream& err);

}  // namespace hostagent
