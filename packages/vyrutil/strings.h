#pragma once
// Text helpers of the shared utility package.

#include <string>

#include "rtl/variant.h"

namespace VyrUtil {

// True for an empty text and for a text of blanks only.
bool EmptyString(const std::string& text);

// `number` padded on the left with "0" to `width` characters; a longer text is returned whole
// ("1000" stays "1000" for width 3).
std::string Ajusta(const std::string& number, int width);

}  // namespace VyrUtil
