#include "vyrutil/access_key.h"

#include <algorithm>

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

namespace {

// The check digit of `digitos` with weights 2, 3, ... from the right, up to `peso_maximo`;
// a CPF's weights never wrap, a CNPJ's wrap after 9.
int DigitoModulo11(const std::string& digitos, int peso_maximo) {
  int soma = 0, peso = 2;
  for (auto it = digitos.rbegin(); it != digitos.rend(); ++it) {
    soma += (*it - '0') * peso;
    peso = peso == peso_maximo ? 2 : peso + 1;
  }
  const int resto = soma % 11;
  return resto < 2 ? 0 : 11 - resto;
}

}  // namespace

std::string ProblemaCpfCnpj(const std::string& numero) {
  if (numero.find_first_not_of("0123456789./- ") != std::string::npos) {
    return "tem caracteres que não são dígitos nem pontuação";
  }
  const std::string digitos = SoDigitos(numero);
  if (digitos.size() != 11 && digitos.size() != 14) {
    return "tem " + std::to_string(digitos.size()) + " dígitos (CPF tem 11, CNPJ 14)";
  }
  if (std::all_of(digitos.begin(), digitos.end(), [&](char c) { return c == digitos[0]; })) {
    return "tem todos os dígitos iguais";
  }
  const int peso_maximo = digitos.size() == 11 ? 11 : 9;
  const size_t n = digitos.size() - 2;
  const int primeiro = DigitoModulo11(digitos.substr(0, n), peso_maximo);
  const int segundo = DigitoModulo11(digitos.substr(0, n) + char('0' + primeiro), peso_maximo);
  if (digitos[n] - '0' != primeiro || digitos[n + 1] - '0' != segundo) {
    return std::string("tem dígito verificador inválido para um ") +
           (digitos.size() == 11 ? "CPF" : "CNPJ");
  }
  return "";
}

bool GtinValido(const std::string& gtin) {
  const size_t n = gtin.size();
  if ((n != 8 && n != 12 && n != 13 && n != 14) ||
      gtin.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  int soma = 0;
  for (size_t i = 0; i + 1 < n; ++i) {
    const int peso = (n - 1 - i) % 2 == 1 ? 3 : 1;
    soma += (gtin[i] - '0') * peso;
  }
  return (10 - soma % 10) % 10 == gtin[n - 1] - '0';
}

}  // namespace VyrUtil
