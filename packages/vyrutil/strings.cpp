#include "vyrutil/strings.h"

#include <algorithm>

namespace VyrUtil {

bool EmptyString(const std::string& text) {
  // Blanks are every control character and the space, as the platform's Trim removes them.
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

std::string Ajusta(const std::string& number, int width) {
  if (width <= 0 || number.size() >= static_cast<size_t>(width)) return number;
  return std::string(static_cast<size_t>(width) - number.size(), '0') + number;
}

std::string SoDigitos(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  return digits;
}

}  // namespace VyrUtil
