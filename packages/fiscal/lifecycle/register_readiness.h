#pragma once
// Whether a register can close sales now: what every one of its sales needs and none of them
// can mend. An NFC-e register needs its fiscal settings with the CSC, a certificate that opens
// with its password and is valid now, and the official schemas its notes are checked against;
// a SAT register needs its device library named, registered and loadable. A register that
// lacks one has a fault of its own (fiscal/register_fault.h): the caller closes none of its
// orders until the fault is mended, instead of refusing each order in turn.

#include <string>

#include "db/connection.h"
#include "rtl/datetime.h"

namespace VyrFiscal::Prontidao {

// The register's fault at `agora` (UTC, as certificates state their validity), naming the file,
// table and column to mend (the password never shown); "" when it can close sales. `idTipoEmissao`
// is the register's emission type: "N" NFC-e, "S" SAT, anything else neither (always ready). Raises
// only for a failure of the store itself (ado::EADOError), which says nothing about the register.
std::string ProblemaDoCaixa(ado::TADOConnection& conexao, const std::string& CDFILIAL,
                            const std::string& CDCAIXA, const std::string& idTipoEmissao,
                            rtl::TDateTime agora);

// How long VerificaProntidaoCaixa keeps a register's "ready": reading a certificate derives its
// keys from the password, which costs more than a pass over an empty queue. A fault is not kept.
inline constexpr int kSegundosProntidao = 5;

}  // namespace VyrFiscal::Prontidao
