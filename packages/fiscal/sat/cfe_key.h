#pragma once
// The check digit of a 44-digit fiscal access key. NFC-e and CF-e keys share the rule; the SAT
// emulator library uses this header too, so it needs nothing else of the fiscal package.

#include <string>

namespace VyrFiscal::Sat {

// The check digit of the 43 digits `digitos`: weights 2, 3, ..., 9, 2, 3, ... from the right,
// r = the weighted sum mod 11, 0 when r is 0 or 1, else 11 - r. Answers -1 when `digitos` is not
// exactly 43 decimal digits.
inline int DigitoVerificador(const std::string& digitos) {
  if (digitos.size() != 43) return -1;
  int soma = 0;
  int peso = 2;
  for (auto it = digitos.rbegin(); it != digitos.rend(); ++it) {
    if (*it < '0' || *it > '9') return -1;
    soma += (*it - '0') * peso;
    peso = peso == 9 ? 2 : peso + 1;
  }
  const int resto = soma % 11;
  return resto < 2 ? 0 : 11 - resto;
}

// True when `chave` is 44 digits whose last one is the check digit of the others.
inline bool ChaveValida(const std::string& chave) {
  return chave.size() == 44 && DigitoVerificador(chave.substr(0, 43)) == chave[43] - '0';
}

}  // namespace VyrFiscal::Sat
