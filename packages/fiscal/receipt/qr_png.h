#pragma once
// A PNG image of a QR code, for support staff to check what a receipt printed.

#include <string>

namespace VyrFiscal::Cupom {

// Writes the QR code of `conteudo` (error level M, 4 pixels per module, a 4-module quiet zone,
// black on white, one bit per pixel) to `arquivo`, replacing it. Raises rtl::EInOutError naming the
// file when it cannot be written, rtl::Exception when the text does not fit a QR code.
void GravaQrPng(const std::string& conteudo, const std::string& arquivo);

}  // namespace VyrFiscal::Cupom
