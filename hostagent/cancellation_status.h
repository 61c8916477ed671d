#pragma once
// The NFC-e cancellations of a register that were sent and got no answer (a stop or a lost
// connection during `hostagent cancel-note`), as `hostagent status` names them.

#include <string>

namespace hostagent {

// "Cancelamentos de NFC-e enviados sem resposta: N" and one line per note with what to do, or ""
// when there is none. Read from the register's XML day folders under <dir>/Dados/XML_NFCe_Sat.
std::string UnansweredCancellationsText(const std::string& dir, const std::string& filial,
                                        const std::string& caixa);

}  // namespace hostagent
