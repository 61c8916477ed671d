#pragma once
// ESC/POS bytes for thermal receipt printers: text converted from UTF-8 to the printer's code
// page, alignment, emphasis, QR codes (the printer's own QR commands) and Code 128 subset C bar
// codes.

#include <string>

#include "fiscal/receipt/receipt_layout.h"

namespace VyrFiscal::Cupom {

enum class PaginaCodigo {
  PC860,    // Portuguese, ESC t 3
  WPC1252,  // Windows Latin-1, ESC t 16
};

// The code page printers of model `idTipoImpNf6` (IDTIPOIMPNF6) are set up for here.
PaginaCodigo PaginaDaImpressora(const std::string& idTipoImpNf6);

// `utf8` in `pagina`; a character the page lacks becomes its closest plain form or '?'.
std::string ConverteTexto(const std::string& utf8, PaginaCodigo pagina);

// Dots per millimetre of the installation's thermal printers (203 dpi), the narrowest printed
// QR code the DANFE manual accepts, and the printable width of 80 mm paper.
inline constexpr int kPontosPorMm = 8;
inline constexpr int kLarguraMinimaQrMm = 25;
inline constexpr int kLarguraImpressaoMm = 72;

// The module size, in dots, that prints the QR code of `conteudo` (error level M) at least
// kLarguraMinimaQrMm wide on a printer of `pontosPorMm`: from the code's size (its version, as
// the smallest encoding gives it; a printer that encodes it larger only prints it wider), and no
// wider than the paper. 4 when the text fits no QR code.
int ModuloQr(const std::string& conteudo, int pontosPorMm = kPontosPorMm);

// Builds one print job. Every call appends its bytes.
class EscPos {
 public:
  explicit EscPos(PaginaCodigo pagina);  // starts with initialise + code page selection

  EscPos& Alinha(bool centro);
  EscPos& Destaque(bool ligado);
  EscPos& Grande(bool ligado);
  EscPos& Linha(const std::string& utf8);  // the converted text and a line feed
  // A model 2 QR code of `conteudo` (at most 7089 bytes), error level M, module of `modulo` dots.
  EscPos& QrCode(const std::string& conteudo, int modulo = 4);
  // A Code 128 subset C bar code of `digitos` (an even number of digits, at most 252). Raises
  // rtl::Exception otherwise.
  EscPos& Code128C(const std::string& digitos);
  EscPos& Avanca(int linhas);
  EscPos& Corta();  // partial cut

  const std::string& Bytes() const { return bytes_; }

 private:
  EscPos& Comando(std::initializer_list<int> bytes);

  const PaginaCodigo pagina_;
  std::string bytes_;
};

// The print job of a laid-out receipt.
std::string EscPosDoDocumento(const Documento& documento, PaginaCodigo pagina);

}  // namespace VyrFiscal::Cupom
