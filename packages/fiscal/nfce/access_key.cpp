#include "fiscal/nfce/access_key.h"

#include "rtl/errors.h"
#include "rtl/number_text.h"
#include "rtl/random.h"
#include "vyrutil/access_key.h"
#include "vyrutil/strings.h"

namespace VyrFiscal::Nfce {
namespace {

bool SoTemDigitos(const std::string& texto) {
  return VyrUtil::SoDigitos(texto) == texto;
}

std::string Parte(const std::string& nome, const std::string& valor, size_t largura) {
  if (valor.empty() || !SoTemDigitos(valor) || valor.size() > largura) {
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

std::string MontaChave(const PartesChave& partes) {
  const std::string corpo = Parte("cUF", partes.cUF, 2) + Parte("AAMM", partes.AAMM, 4) +
                            Parte("CNPJ", partes.CNPJ, 14) + Parte("mod", partes.mod, 2) +
                            Parte("serie", partes.serie, 3) + Parte("nNF", partes.nNF, 9) +
                            Parte("tpEmis", partes.tpEmis, 1) + Parte("cNF", partes.cNF, 8);
  return corpo + std::to_string(VyrUtil::DigitoVerificador(corpo));
}

std::string NovoCodigoNumerico(const std::string& nNF) {
  int64_t numero = -1;
  if (nNF.empty() || !SoTemDigitos(nNF) || !rtl::TryStrToInt64(nNF, numero)) numero = -1;
  for (;;) {
    const int64_t valor = rtl::Random(100000000);
    std::string cNF = std::to_string(valor);
    cNF.insert(0, 8 - cNF.size(), '0');
    if (valor != numero && !CodigoRecusado(cNF)) return cNF;
  }
}

}  // namespace VyrFiscal::Nfce
