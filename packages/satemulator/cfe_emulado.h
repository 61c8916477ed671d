#pragma once
// The emulator's handling of a sale: checks the CF-e sale XML as a device would and completes it
// into the issued CF-e.

#include <stdexcept>
#include <string>

#include "estado_emulador.h"
#include "rtl/datetime.h"

namespace VyrSatEmulador {

// A sale XML the device refuses; what() is the reason shown to the operator.
class ErroValidacao : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CFeEmitido {
  std::string xml;           // the issued CF-e
  std::string chave;         // 44 digits
  std::string timeStamp;     // AAAAMMDDhhmmss
  std::string valorTotal;    // vCFe, two decimals
  std::string cpfCnpj;       // the consumer's CPF or CNPJ, or empty
  std::string assinaturaQr;  // 344 characters of base64
};

// Checks `dadosVenda` and, when valid, issues the next CF-e of `estado` (its ultimoCFe counts
// up; the caller saves it) at the local time `agora` with the random code `cNF` (6 digits). Raises
// ErroValidacao with the reason for an invalid sale. `emitir` false checks only (end-to-end test).
CFeEmitido EmiteCFe(const std::string& dadosVenda, EstadoSat& estado, rtl::TDateTime agora, int cNF,
                    bool emitir = true);

// Base64 without line breaks.
std::string Base64(const std::string& bytes);

}  // namespace VyrSatEmulador
