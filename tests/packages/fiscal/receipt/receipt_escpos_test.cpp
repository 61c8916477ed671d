// The ESC/POS bytes of a receipt: code page, text, QR code, Code 128C bar code and cut.

#include "fiscal/receipt/escpos.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "rtl/errors.h"

namespace {

using namespace VyrFiscal::Cupom;

std::string Hex(const std::string& bytes) {
  std::string texto;
  for (unsigned char b : bytes) {
    char par[4];
    std::snprintf(par, sizeof par, "%02x ", b);
    texto += par;
  }
  if (!texto.empty()) texto.pop_back();
  return texto;
}

Bloco Texto(const std::string& texto, bool centro, bool destaque) {
  Bloco b;
  b.texto = texto;
  b.centro = centro;
  b.destaque = destaque;
  return b;
}

Bloco Codigo(Bloco::Tipo tipo, const std::string& texto) {
  Bloco b;
  b.tipo = tipo;
  b.texto = texto;
  return b;
}

TEST(ReceiptEscPosTest, TextQrCodeBarCodeAndCut) {
  const Documento documento = {Texto("NÃO", true, true), Codigo(Bloco::Tipo::QrCode, "AB|1"),
                               Codigo(Bloco::Tipo::Barras, "0123456789"),
                               Codigo(Bloco::Tipo::Corte, "")};
  EXPECT_EQ(
      // initialise, PC860
      "1b 40 1b 74 03 "
      // centred, bold "NÃO", bold off
      "1b 61 01 1b 45 01 4e 8e 4f 0a 1b 45 00 "
      // centred; QR model 2, module 10 (a version 1 code, 21 modules, 26 mm), level M, store 4
      // bytes, print; line feed
      "1b 61 01 1d 28 6b 04 00 31 41 32 00 1d 28 6b 03 00 31 43 0a 1d 28 6b 03 00 31 45 31 "
      "1d 28 6b 07 00 31 50 30 41 42 7c 31 1d 28 6b 03 00 31 51 30 0a "
      // centred; height 80, width 2, no digits; Code 128 "{C" 01 23 45 67 89; line feed
      "1b 61 01 1d 68 50 1d 77 02 1d 48 00 1d 6b 49 07 7b 43 01 17 2d 43 59 0a "
      // left, feed 4, partial cut
      "1b 61 00 1b 64 04 1d 56 01",
      Hex(EscPosDoDocumento(documento, PaginaCodigo::PC860)));
}

TEST(ReceiptEscPosTest, TextInEitherCodePage) {
  const std::string texto = "Ç ã ê ó º €";
  EXPECT_EQ("80 20 84 20 88 20 a2 20 a7 20 45 55 52|c7 20 e3 20 ea 20 f3 20 ba 20 80",
            Hex(ConverteTexto(texto, PaginaCodigo::PC860)) + "|" +
                Hex(ConverteTexto(texto, PaginaCodigo::WPC1252)));
}

TEST(ReceiptEscPosTest, BarCodeOfAnOddNumberOfDigitsIsRefused) {
  EscPos job(PaginaCodigo::PC860);
  EXPECT_THROW(job.Code128C("123"), rtl::Exception);
}

// The QR module, in dots, grows as the code's version shrinks, so the printed code is never
// narrower than 25 mm on an 8 dots/mm printer, nor wider than the paper: the text's length in
// bytes, the module, and the printed width in millimetres (modules x module / 8).
TEST(ReceiptEscPosTest, QrModuleFromTheCodesVersion) {
  std::string medidas;
  for (const auto& [bytes, modulos] :
       {std::pair<int, int>{4, 21}, {106, 41}, {150, 49}, {600, 93}, {2000, 169}}) {
    const int modulo = ModuloQr(std::string(bytes, 'x'));
    medidas += std::to_string(bytes) + ":" + std::to_string(modulo) + " " +
               std::to_string(modulos * modulo / 8.0).substr(0, 5) + " mm|";
  }
  EXPECT_EQ("4:10 26.25 mm|106:5 25.62 mm|150:5 30.62 mm|600:3 34.87 mm|2000:2 42.25 mm|", medidas);
}

}  // namespace
