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

std::string TextoLimpo(const std::string& utf8) {
  std::string limpo;
  limpo.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c >= 0x20 && c < 0x7F) {
      limpo += static_cast<char>(c);
      ++i;
      continue;
    }
    // A two-byte sequence of U+00A0..U+00FF is the only multi-byte form kept.
    if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
      const auto c2 = static_cast<unsigned char>(utf8[i + 1]);
      if ((c2 & 0xC0u) == 0x80u && (c == 0xC3 || c2 >= 0xA0)) {
        limpo += utf8.substr(i, 2);
        i += 2;
        continue;
      }
    }
    // Anything else is one space: a whole well-formed sequence, or a single stray byte.
    size_t tamanho = 1;
    if (c >= 0xC0 && c < 0xF8) {
      const size_t esperado = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      size_t k = 1;
      while (k < esperado && i + k < utf8.size() &&
             (static_cast<unsigned char>(utf8[i + k]) & 0xC0u) == 0x80u) {
        ++k;
      }
      if (k == esperado) tamanho = esperado;
    }
    limpo += ' ';
    i += tamanho;
  }
  return limpo;
}

}  // namespace VyrUtil
