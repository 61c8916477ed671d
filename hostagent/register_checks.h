#pragma once
// The checks of `hostagent check` on the register's fiscal installation and its printer: the
// register's readiness as the worker asks it before each pass (fiscal/lifecycle/
// register_readiness.h), and what that does not decide: the certificate's end and its CNPJ,
// the CSC id, the series, the environment, the state's addresses, the technical contact, the
// SAT activation code, the printer; and, when asked, the authority's status service.

#include "db/connection.h"
#include "hostagent/store_checks.h"

namespace hostagent {

// An NFC-e register ("FNC"): its settings, certificate, schemas (faults), certificate ending
// soon (a warning), CNPJ, CSC id, series, environment, addresses and Dados/RespTecnico.ini.
// A SAT register ("SAT"): its library and Dados/Cadastros/AberturaCaixa.cds's activation code.
void VerificaFiscal(ado::TADOConnection& conexao, const CaixaVerificado& c, Achados& achados);

// The receipt printer: a model, and a port that opens (a file is appended nothing).
void VerificaImpressora(const CaixaVerificado& c, Achados& achados);

// Asks the state's status service (consStatServ) with the register's certificate, CA bundle and
// addresses, as a sale would: a fault unless it answers 107 (in operation).
void VerificaStatusSefaz(ado::TADOConnection& conexao, const CaixaVerificado& c, Achados& achados);

}  // namespace hostagent
