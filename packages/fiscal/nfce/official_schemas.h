#pragma once
// The official NF-e 4.00 schemas (packages/fiscal/nfce/schemas/nfe-4.00), built into the package,
// and their installation in a program directory, where the notes are checked against them
// (schema_check.h). They are public files of fixed content: every store-making command installs
// them, so a new installation checks its notes from its first sale.

#include <string>
#include <vector>

namespace VyrFiscal::Nfce {

struct EsquemaOficial {
  std::string nome;   // "nfe_v4.00.xsd", ...
  std::string texto;  // the file's bytes
};

// Every schema file, in name order.
const std::vector<EsquemaOficial>& EsquemasOficiais();

// The files the register's own checks start from (the others are included by them).
inline const char* const kEsquemasDoCaixa[] = {"nfe_v4.00.xsd", "enviNFe_v4.00.xsd"};

// Writes into `pasta` (made when missing) each schema file that is missing or differs from the
// built-in one; answers how many it wrote. Raises rtl::EInOutError naming the file that cannot be
// written.
int InstalaEsquemasOficiais(const std::string& pasta);

}  // namespace VyrFiscal::Nfce
