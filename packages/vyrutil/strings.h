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

}  // namespace VyrUtil
