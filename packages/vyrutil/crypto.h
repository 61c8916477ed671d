#pragma once
// The reversible encryption of stored codes (the SAT activation code in AberturaCaixa.cds).

#include <string>

namespace VyrUtil {

// The key the module uses for the SAT activation code.
constexpr int kChaveAtivacaoSat = 17;

// Decrypts a text made by Cripto with the same key. The empty text (no code stored) gives the
// empty text. Raises rtl::EConvertError for any other text that Cripto cannot have made.
std::string Uncripto(const std::string& stored, int key);
// Encrypts; the result is printable ASCII. Uncripto(Cripto(s, k), k) == s.
std::string Cripto(const std::string& plain, int key);

}  // namespace VyrUtil
