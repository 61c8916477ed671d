#pragma once
// Loading the IBPT table of approximate taxes (Lei 12.741) into the store, from the official
// file of one state: `;`-separated, Latin-1 (UTF-8 when it starts with a byte-order mark), with
// the header
//   codigo;ex;tipo;descricao;nacionalfederal;importadosfederal;estadual;municipal;
//   vigenciainicio;vigenciafim;chave;versao;fonte
// rates with '.' or ',' as decimal separator and dates as dd/mm/yyyy.

#include <string>

#include "db/connection.h"
#include "rtl/datetime.h"

namespace VyrFiscal {

// Replaces the rows of state `UF` in the store's IBPT table with the rows of `arquivo`, in one
// transaction on `conexao` (joining the caller's when one is open), and answers how many rows
// it loaded. An empty `UF` takes the state from the official file name ("TabelaIBPTaxSP23.1.A.csv"
// is SP). The whole file is checked before anything is written: a file that cannot be read,
// a wrong header, a line with a bad number or date, a repeated code, a file without rows or a
// table already expired on `hoje` (0: today) raises rtl::Exception naming the file and the
// line, and leaves the table as it was. A failure of the database raises ado::EADOError.
int ImportaTabelaIbpt(ado::TADOConnection& conexao, const std::string& arquivo,
                      const std::string& UF = "", rtl::TDateTime hoje = 0);

// The state in an official file name ("TabelaIBPTaxSP23.1.A.csv" gives "SP"), or "" when the
// name carries none.
std::string UfDoArquivoIbpt(const std::string& arquivo);

}  // namespace VyrFiscal
