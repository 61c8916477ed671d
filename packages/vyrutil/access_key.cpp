#include "vyrutil/access_key.h"

#include "rtl/errors.h"
#include "vyrutil/strings.h"

namespace VyrUtil {

int DigitoVerificador(const std::string& digitos) {
  if (digitos.empty() || SoDigitos(digitos) != digitos) {
    throw rtl::EConvertError("access key: '" + digitos + "' is not made of digits");
  }
  int soma = 0, peso = 2;
  for (auto it = digitos.rbegin(); it != digitos.rend(); ++it) {
    soma += (*it - '0') * peso;
    peso = peso == 9 ? 2 : peso + 1;
  }
  const int resto = soma % 11;
  return resto < 2 ? 0 : 11 - resto;
}

bool ChaveAcessoValida(const std::string& chave) {
  return chave.size() == 44 && SoDigitos(chave) == chave &&
         DigitoVerificador(chave.substr(0, 43)) == chave[43] - '0';
}

}  // namespace VyrUtil
