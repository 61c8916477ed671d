#pragma once
// Text helpers of the shared utility package.

#include <string>

namespace VyrUtil {

// True for an empty text and for a text of blanks only.
bool EmptyString(const std::string& text);

// `number` padded on the left with "0" to `width` characters; a longer text is returned whole
// ("1000" stays "1000" for width 3).
std::string Ajusta(const std::string& number, int width);

// The decimal digits of `text`, in order, without anything else: "12.345.678/0001-90" gives
// "12345678000190". A text is all digits when SoDigitos(text) == text.
std::string SoDigitos(const std::string& text);

// `utf8` with every character that a fiscal document (XML 1.0, Latin-1 text types) or a receipt
// printer's code page cannot carry replaced by a space: control characters (C0, DEL, C1, which
// include ESC and every printer command), characters beyond U+00FF and bytes that are not
// UTF-8. What remains is printable Latin-1 text, so nothing in an order reaches a printer as a
// command or makes a document unreadable.
std::string TextoLimpo(const std::string& utf8);

}  // namespace VyrUtil
