#pragma once
// The receipt as a printer prints it: a list of blocks (lines of text, a QR code, a bar code, the
// cut), laid out for 80 mm paper (48 columns of font A). The same blocks give the ESC/POS bytes
// (escpos.h) and the plain-text copy kept for support staff.

#include <string>
#include <vector>

#include "fiscal/receipt/receipt_model.h"

namespace VyrFiscal::Cupom {

inline constexpr int kColunas = 48;
inline constexpr const char* kSegundaVia = "2ª VIA";

struct Bloco {
  enum class Tipo { Texto, QrCode, Barras, Corte };
  Tipo tipo = Tipo::Texto;
  // Texto: one line of at most kColunas characters (UTF-8); QrCode: the code's text;
  // Barras: the digits of a Code 128C bar code (an even number of them).
  std::string texto;
  bool centro = false;    // centred (Texto); codes are always centred
  bool destaque = false;  // bold
  bool grande = false;    // double width and height: at most kColunas / 2 characters
};

using Documento = std::vector<Bloco>;

// The receipt of `recibo`, "VENDA_NFCe" or "EXTRATO_SAT" after its kind; an NFC-e issued in
// contingency prints twice, "Via Consumidor" and "Via Estabelecimento", each copy cut; a second
// copy (Recibo::segundaVia) says kSegundaVia under its title. Pure.
Documento MontaRecibo(const Recibo& recibo);

// The plain-text copy: every text line (centred ones padded), the QR code as its text and a bar
// code as its digits, each on lines of their own; ends with a newline.
std::string TextoDoDocumento(const Documento& documento);

// Text helpers of the layout, for the package's other receipts.
std::string Moeda(double valor);                      // 1234.5 -> "1.234,50"
std::string ChaveEmGrupos(const std::string& chave);  // "3526 0311 ..." (groups of four)
int Largura(const std::string& utf8);                 // characters of a UTF-8 text

}  // namespace VyrFiscal::Cupom
