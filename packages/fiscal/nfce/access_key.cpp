#include "fiscal/nfce/access_key.h"

#include <algorithm>
#include <random>

#include "rtl/errors.h"

namespace VyrFiscal::Nfce {
namespace {

bool SoDigitos(const std::string& texto) {
  return std::all_of(texto.begin(), texto.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Parte(const std::string& nome, const std::string& valor, size_t largura) {
  if (valor.empty() || !SoDigitos(valor) || valor.size() > largura) {
    throw rtl::EConvertError("NFC-e access key: " + nome + " '" + valor + "' is not a number of " +
                             "at most " + std::to_string(largura) + " digits");
  }
  return std::string(largura - valor.size(), '0') + valor;
}

// Runs such as 12345678 or 87654321 (wrapping after 9 and 0) and repeated digits.
bool CodigoRecusado(const std::string& cNF) {
  bool igual = true, sobe = true, desce = true;
  for (size_t i = 1; i < cNF.size(); ++i) {
    const int anterior = cNF[i - 1] - '0', atual = cNF[i] - '0';
    igual = igual && atual == anterior;
    sobe = sobe && atual == (anterior + 1) % 10;
    desce = desce && atual == (anterior + 9) % 10;
  }
  return igual || sobe || desce;
}

}  // namespace

int DigitoVerificador(const std::string& digitos) {
  if (!SoDigitos(digitos)) {
    throw rtl::EConvertError("NFC-e access key: '" + digitos + "' is not made of digits");
  }
  int soma = 0, peso = 2;
  for (auto it = digitos.rbegin(); it != digitos.rend(); ++it) {
    soma += (*it - '0') * peso;
    peso = peso == 9 ? 2 : peso + 1;
  }
  const int resto = soma % 11;
  return resto < 2 ? 0 : 11 - resto;
}

std::string MontaChave(const PartesChave& partes) {
  const std::string corpo = Parte("cUF", partes.cUF, 2) + Parte("AAMM", partes.AAMM, 4) +
                            Parte("CNPJ", partes.CNPJ, 14) + Parte("mod", partes.mod, 2) +
                            Parte("serie", partes.serie, 3) + Parte("nNF", partes.nNF, 9) +
                            Parte("tpEmis", partes.tpEmis, 1) + Parte("cNF", partes.cNF, 8);
  return corpo + std::to_string(DigitoVerificador(corpo));
}

bool ChaveValida(const std::string& chave) {
  return chave.size() == 44 && SoDigitos(chave) &&
         DigitoVerificador(chave.substr(0, 43)) == chave[43] - '0';
}

std::string NovoCodigoNumerico(const std::string& nNF) {
  static thread_local std::mt19937 gerador{std::random_device{}()};
  std::uniform_int_distribution<int> faixa(0, 99999999);
  const long long numero = nNF.empty() || !SoDigitos(nNF) ? -1 : std::stoll(nNF);
  for (;;) {
    const int valor = faixa(gerador);
    std::string cNF = std::to_string(valor);
    cNF.insert(0, 8 - cNF.size(), '0');
    if (valor != numero && !CodigoRecusado(cNF)) return cNF;
  }
}

}  // namespace VyrFiscal::Nfce
