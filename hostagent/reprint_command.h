#pragma once
// `hostagent reprint`: prints the receipt of a recorded sale again, on purpose (a customer
// asks for a copy, the paper ran out), through the fiscal package's receipt routine.

#include <iosfwd>
#include <string>

namespace hostagent {

struct ReprintOptions {
  std::string dir;                  // an existing folder
  std::string filial, caixa, loja;  // empty: from Dados/Caixa.ini (host_records.h)
  std::string venda;                // NRSEQVENDA; a shorter number is zero-padded ("1")
};

// What was printed: the document's kind and key, the port, and the text copy.
struct Reprinted {
  std::string tipo;  // "VENDA_NFCe" or "EXTRATO_SAT"
  std::string chave, porta, copia;
};

// Reads the sale, its stored document and the register's receipt printer, and prints. Raises
// std::runtime_error naming what is missing: the sale, its receipt (a cancelled sale has none;
// a sale whose document is still pending has none yet), the printer; and what the receipt
// routine raises.
Reprinted Reprint(const ReprintOptions& options);

}  // namespace hostagent
