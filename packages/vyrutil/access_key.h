#pragma once
// The modulo-11 check digits of the 44-digit fiscal access keys (NFC-e model 65 and CF-e model
// 59 share the rule) and of a consumer's CPF or CNPJ; numbers are kept as text.

#include <string>

namespace VyrUtil {

// The check digit of `digitos` (43 for a key): weights 2, 3, ..., 9, 2, 3, ... from the right,
// r = the weighted sum mod 11, 0 when r is 0 or 1, else 11 - r. Raises rtl::EConvertError when
// `digitos` is empty or holds anything but digits.
int DigitoVerificador(const std::string& digitos);

// True when `chave` is 44 digits whose last one is the check digit of the others.
bool ChaveAcessoValida(const std::string& chave);

// Why `numero` (a CPF or CNPJ, punctuation allowed) cannot go on a fiscal document: "" when it
// is 11 digits with a CPF's two check digits (weights 2 to 10 and 2 to 11 from the right) or 14
// digits with a CNPJ's (the key's weights), else the reason in words. A number whose digits are
// all the same is refused although its check digits add up.
std::string ProblemaCpfCnpj(const std::string& numero);

// True when `gtin` is a GTIN-8, -12, -13 or -14 (digits only) whose last digit is its check
// digit (weights 3, 1, 3, ... from the right of the others, 10 minus the sum mod 10).
bool GtinValido(const std::string& gtin);

}  // namespace VyrUtil
