#pragma once
// What `hostagent check` reads of a register's A1 certificate besides its validity: the company
// it was issued to, and the clock it states its validity on.

#include <string>

#include "rtl/datetime.h"

namespace hostagent {

// The CNPJ an ICP-Brasil e-CNPJ names after its holder's name ("NAME:CNPJ" in the common name);
// "" when the file does not open with `senha` or names none.
std::string CnpjDoCertificado(const std::string& arquivo, const std::string& senha);

// `agora` (this host's local time) in UTC, as certificates state their validity.
rtl::TDateTime AgoraUtc(rtl::TDateTime agora);

}  // namespace hostagent
