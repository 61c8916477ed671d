#include "fiscal/receipt/escpos.h"

#include <iconv.h>
#include <qrencode.h>

#include <algorithm>
#include <cerrno>

#include "rtl/errors.h"

namespace VyrFiscal::Cupom {

namespace {

const char* NomeIconv(PaginaCodigo pagina) {
  return pagina == PaginaCodigo::PC860 ? "CP860//TRANSLIT" : "CP1252//TRANSLIT";
}

// One iconv conversion; characters iconv cannot even transliterate become '?'.
std::string Converte(iconv_t cd, const std::string& utf8) {
  std::string saida;
  char* entrada = const_cast<char*>(utf8.data());
  size_t restante = utf8.size();
  char buffer[256];
  while (restante > 0) {
    char* destino = buffer;
    size_t livre = sizeof buffer;
    const size_t r = iconv(cd, &entrada, &restante, &destino, &livre);
    saida.append(buffer, destino - buffer);
    if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
    // An invalid or untranslatable sequence: skip its bytes as one character.
    saida += '?';
    do {
      ++entrada, --restante;
    } while (restante > 0 && (static_cast<unsigned char>(*entrada) & 0xC0) == 0x80);
  }
  return saida;
}

}  // namespace

int ModuloQr(const std::string& conteudo, int pontosPorMm) {
  QRcode* qr = QRcode_encodeString8bit(conteudo.c_str(), 0, QR_ECLEVEL_M);
  if (qr == nullptr) return 4;
  const int modulos = qr->width;
  QRcode_free(qr);
  const int minimo = (kLarguraMinimaQrMm * pontosPorMm + modulos - 1) / modulos;
  const int maximo = kLarguraImpressaoMm * pontosPorMm / modulos;
  return std::max(1, std::min({minimo, maximo, 16}));
}

PaginaCodigo PaginaDaImpressora(const std::string&) {
  // The thermal printers of the installation (Epson, Bematech, Daruma, Elgin in ESC/POS mode)
  // all carry the Portuguese page.
  return PaginaCodigo::PC860;
}

std::string ConverteTexto(const std::string& utf8, PaginaCodigo pagina) {
  iconv_t cd = iconv_open(NomeIconv(pagina), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw rtl::Exception(std::string("Receipt: the system cannot convert text to ") +
                         NomeIconv(pagina));
  }
  std::string saida = Converte(cd, utf8);
  iconv_close(cd);
  return saida;
}

EscPos::EscPos(PaginaCodigo pagina) : pagina_(pagina) {
  Comando({0x1B, 0x40});
  Comando({0x1B, 0x74, pagina == PaginaCodigo::PC860 ? 3 : 16});
}

EscPos& EscPos::Comando(std::initializer_list<int> bytes) {
  for (int b : bytes) bytes_ += static_cast<char>(b);
  return *this;
}

EscPos& EscPos::Alinha(bool centro) {
  return Comando({0x1B, 0x61, centro ? 1 : 0});
}
EscPos& EscPos::Destaque(bool ligado) {
  return Comando({0x1B, 0x45, ligado ? 1 : 0});
}
EscPos& EscPos::Grande(bool ligado) {
  return Comando({0x1D, 0x21, ligado ? 0x11 : 0});
}
EscPos& EscPos::Avanca(int linhas) {
  return Comando({0x1B, 0x64, linhas});
}
EscPos& EscPos::Corta() {
  return Comando({0x1D, 0x56, 0x01});
}

EscPos& EscPos::Linha(const std::string& utf8) {
  bytes_ += ConverteTexto(utf8, pagina_);
  bytes_ += '\n';
  return *this;
}

EscPos& EscPos::QrCode(const std::string& conteudo, int modulo) {
  if (conteudo.size() > 7089) {
    throw rtl::Exception("Receipt: QR code text of " + std::to_string(conteudo.size()) +
                         " bytes is longer than a QR code holds");
  }
  const size_t tamanho = conteudo.size() + 3;
  Comando({0x1D, 0x28, 0x6B, 0x04, 0x00, 0x31, 0x41, 0x32, 0x00});  // model 2
  Comando({0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x43, modulo});
  Comando({0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x45, 0x31});  // error level M
  Comando({0x1D, 0x28, 0x6B, static_cast<int>(tamanho & 0xFF), static_cast<int>(tamanho >> 8), 0x31,
           0x50, 0x30});
  bytes_ += conteudo;
  return Comando({0x1D, 0x28, 0x6B, 0x03, 0x00, 0x31, 0x51, 0x30});
}

EscPos& EscPos::Code128C(const std::string& digitos) {
  const bool soDigitos = digitos.find_first_not_of("0123456789") == std::string::npos;
  if (digitos.empty() || digitos.size() % 2 != 0 || digitos.size() > 252 || !soDigitos) {
    throw rtl::Exception("Receipt: '" + digitos +
                         "' cannot be printed as a Code 128C bar code (an even number of digits)");
  }
  Comando({0x1D, 0x68, 80});  // height in dots
  Comando({0x1D, 0x77, 2});   // module width
  Comando({0x1D, 0x48, 0});   // no digits under the bars: the key is printed above
  Comando({0x1D, 0x6B, 0x49, static_cast<int>(digitos.size() / 2 + 2), '{', 'C'});
  for (size_t pos = 0; pos < digitos.size(); pos += 2) {
    bytes_ += static_cast<char>((digitos[pos] - '0') * 10 + (digitos[pos + 1] - '0'));
  }
  return *this;
}

std::string EscPosDoDocumento(const Documento& documento, PaginaCodigo pagina) {
  EscPos job(pagina);
  for (const Bloco& bloco : documento) {
    switch (bloco.tipo) {
      case Bloco::Tipo::Texto:
        job.Alinha(bloco.centro);
        if (bloco.destaque) job.Destaque(true);
        if (bloco.grande) job.Grande(true);
        job.Linha(bloco.texto);
        if (bloco.grande) job.Grande(false);
        if (bloco.destaque) job.Destaque(false);
        break;
      case Bloco::Tipo::QrCode:
        job.Alinha(true).QrCode(bloco.texto, ModuloQr(bloco.texto)).Linha("");
        break;
      case Bloco::Tipo::Barras:
        job.Alinha(true).Code128C(bloco.texto).Linha("");
        break;
      case Bloco::Tipo::Corte:
        job.Alinha(false).Avanca(4).Corta();
        break;
    }
  }
  return job.Bytes();
}

}  // namespace VyrFiscal::Cupom
