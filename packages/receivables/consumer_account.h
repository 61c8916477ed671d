#pragma once
// The consumer account's movements as other packages write them: a sale on the consumer's
// account is a debit, written inside the transaction that records the sale; a payment of the
// account is a credit.

#include <string>

#include "db/connection.h"
#include "rtl/datetime.h"

namespace VyrRecebimento {

// Writes the debit of a recorded sale on the consumer's account, on `conexao` (inside the caller's
// transaction). The movement is not consolidated into the balance yet. Raises on failure.
void LancaDebitoConsumidor(ado::TADOConnection& conexao, const std::string& CDCLIENTE,
                           const std::string& CDCONSUMIDOR, const std::string& CDFILIAL,
                           const std::string& CDCAIXA, const std::string& NRSEQVENDA, double valor,
                           rtl::TDateTime quando);

// Writes a payment received on the consumer's account (document `NRDOCUMENTO` of the register),
// on `conexao` (inside the caller's transaction, when it holds one). Not consolidated yet.
// Raises on failure.
void LancaCreditoConsumidor(ado::TADOConnection& conexao, const std::string& CDCLIENTE,
                            const std::string& CDCONSUMIDOR, const std::string& CDFILIAL,
                            const std::string& CDCAIXA, const std::string& NRDOCUMENTO,
                            double valor, rtl::TDateTime quando);

}  // namespace VyrRecebimento
