#pragma once
// The checks of `hostagent check` on an NFC-e register's fiscal installation, piece by piece:
// its CAIXAFISCAL row, the certificate (opens with its password, valid now, ending soon as a
// warning, of the branch's company), the CSC and its id, the series, the official schemas, the
// environment, the state's addresses and Dados/RespTecnico.ini. Each piece is looked at even when
// another is missing, so a bare register gets the whole list at once. Read only.

#include "db/connection.h"
#include "hostagent/store_checks.h"

namespace hostagent {

// Adds a line per missing or wrong piece; returns how many faults it added.
size_t VerificaInstalacaoNfce(ado::TADOConnection& conexao, const CaixaVerificado& c,
                              Achados& achados);

}  // namespace hostagent
