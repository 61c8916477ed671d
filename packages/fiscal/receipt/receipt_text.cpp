// The text helpers of the receipts' layout and the plain-text copy of a laid-out receipt.

#include <cmath>
#include <cstdio>

#include "fiscal/receipt/receipt_layout.h"

namespace VyrFiscal::Cupom {

int Largura(const std::string& utf8) {
  int n = 0;
  for (char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) == 0x80 ? 0 : 1;
  return n;
}

std::string Moeda(double valor) {
  const long long centavos = std::llround(std::fabs(valor) * 100);
  std::string inteiro = std::to_string(centavos / 100);
  for (int pos = static_cast<int>(inteiro.size()) - 3; pos > 0; pos -= 3) inteiro.insert(pos, ".");
  char decimais[4];
  std::snprintf(decimais, sizeof decimais, "%02lld", centavos % 100);
  return (valor < 0 && centavos > 0 ? "-" : "") + inteiro + "," + decimais;
}

std::string ChaveEmGrupos(const std::string& chave) {
  std::string texto;
  for (size_t pos = 0; pos < chave.size(); pos += 4) {
    if (!texto.empty()) texto += ' ';
    texto += chave.substr(pos, 4);
  }
  return texto;
}

std::string TextoDoDocumento(const Documento& documento) {
  std::string texto;
  for (const Bloco& bloco : documento) {
    switch (bloco.tipo) {
      case Bloco::Tipo::Texto: {
        const int largura = Largura(bloco.texto) * (bloco.grande ? 2 : 1);
        if (bloco.centro && largura < kColunas) texto += std::string((kColunas - largura) / 2, ' ');
        texto += bloco.texto + "\n";
        break;
      }
      case Bloco::Tipo::QrCode:
        for (size_t pos = 0; pos < bloco.texto.size(); pos += kColunas) {
          texto += bloco.texto.substr(pos, kColunas) + "\n";
        }
        break;
      case Bloco::Tipo::Barras:
        texto += std::string((kColunas - Largura(bloco.texto)) / 2, ' ') + bloco.texto + "\n";
        break;
      case Bloco::Tipo::Corte:
        break;
    }
  }
  return texto;
}

}  // namespace VyrFiscal::Cupom
