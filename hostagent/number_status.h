#pragma once
// The document numbers in `hostagent status`: the number each pending order holds, and the
// register's NFC-e numbers whose bill left the queue without a note, with what comes of them.
// Each reader raises what the store raises; the report turns it into the part's error.

#include <string>
#include <vector>

#include "db/connection.h"
#include "db/statement_kit.h"
#include "hostagent/status_report.h"

namespace hostagent {

// Sets the number reserved (NUMDOCRESERV) for each of the branch's pending orders.
void ReadReservedNumbers(ado::TADOConnection& connection, const ado::Binding& filial,
                         std::vector<OrderStatus>& pedidos);

// The register's NFC-e numbers left to void: reserved for a bill that no longer waits, sent
// without answer, or refused by the authority; each with what happens next.
void ReadNumbersToVoid(ado::TADOConnection& connection, const ado::Binding& filial,
                       const ado::Binding& caixa, std::vector<NumberStatus>& numeros);

// The line of a pending order that holds a number: the number and what becomes of it.
std::string ReservedNumberText(const OrderStatus& pedido);

}  // namespace hostagent
