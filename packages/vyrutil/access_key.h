#pragma once
// The modulo-11 check digit of the 44-digit fiscal access keys. NFC-e (model 65) and CF-e
// (model 59) keys share the rule; keys are kept as text.

#include <string>

namespace VyrUtil {

// The check digit of `digitos` (43 for a key): weights 2, 3, ..., 9, 2, 3, ... from the right,
// r = the weighted sum mod 11, 0 when r is 0 or 1, else 11 - r. Raises rtl::EConvertError when
// `digitos` is empty or holds anything but digits.
int DigitoVerificador(const std::string& digitos);

// True when `chave` is 44 digits whose last one is the check digit of the others.
bool ChaveAcessoValida(const std::string& chave);

}  // namespace VyrUtil
