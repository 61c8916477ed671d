#pragma once
// The checks of `hostagent check` on the register's fiscal installation and its printer: an
// NFC-e register's pieces (nfce_settings_checks.h), the register's readiness as the worker asks
// it before each pass (fiscal/lifecycle/register_readiness.h), the SAT activation code, the
// printer; and, when asked, the authority's status service.

#include "db/connection.h"
#include "hostagent/store_checks.h"

namespace hostagent {

// An NFC-e register ("FNC"): each piece of its installation, and the worker's readiness verdict
// when none is missing. A SAT register ("SAT"): its readiness (the library) and
// Dados/Cadastros/AberturaCaixa.cds's activation code.
void VerificaFiscal(ado::TADOConnection& conexao, const CaixaVerificado& c, Achados& achados);

// The receipt printer: a model, and a port that opens (a file is appended nothing), each named
// on its own.
void VerificaImpressora(const CaixaVerificado& c, Achados& achados);

// Asks the state's status service (consStatServ) with the register's certificate, CA bundle and
// addresses, as a sale would: a fault unless it answers 107 (in operation).
void VerificaStatusSefaz(ado::TADOConnection& conexao, const CaixaVerificado& c, Achados& achados);

}  // namespace hostagent
