#pragma once
// The note's technical contact (infRespTec): the software house responsible for the system, as
// the states that enforce it require (rejection 972 without it). It comes from the installation's
// file "Dados/RespTecnico.ini" in the program directory, one "NAME=value" per line:
//   CNPJ      the software house's CNPJ (14 digits)
//   xContato  the contact person (2 to 60 characters)
//   email     6 to 60 characters
//   fone      6 to 14 digits
//   idCSRT    the id of the CSRT the state issued (optional, with CSRT)
//   CSRT      the CSRT itself (optional; never shown): gives hashCSRT = base64(SHA-1(CSRT + key))
// Without the file no infRespTec is written: an installation in a state that enforces it must
// keep the file.

#include <pugixml.hpp>

#include <string>

namespace VyrFiscal::Nfce {

// The file's path.
std::string ArquivoRespTecnico();

// Appends infRespTec to `infNFe` for the note of access key `chave`, when the file exists.
// Raises rtl::EConvertError naming the file and the value it cannot take (the CSRT never shown).
void AnexaInfRespTec(pugi::xml_node infNFe, const std::string& chave);

// base64(SHA-1(CSRT + chave)), as hashCSRT carries it.
std::string HashCsrt(const std::string& CSRT, const std::string& chave);

}  // namespace VyrFiscal::Nfce
