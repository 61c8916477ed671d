#pragma once
// The register's own fault for `hostagent status`: what pauses its closings now (an unreadable,
// expired or not yet valid certificate, the official schemas or the CSC missing, the SAT library
// missing), asked of the fiscal package as the worker asks it before each pass.

#include <string>

namespace hostagent {

struct RegisterFault {
  std::string falha;  // "" when the register can close sales
  std::string erro;   // why it could not be asked (the store unreadable); "" when it was
};

// Reads the register's emission type (CAIXA.IDTPEMISSAOVYR) from the store of program directory
// `dir` (already the program directory) and asks the fiscal package. Never raises.
RegisterFault ReadRegisterFault(const std::string& dir, const std::string& filial,
                                const std::string& caixa, const std::string& loja);

}  // namespace hostagent
