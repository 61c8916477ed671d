#include "cds/base64.h"

#include <algorithm>
#include <cstdint>

namespace cds {

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

std::string Base64Encode(const std::string& bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k) {
      group = group << 8 | (k < n ? static_cast<uint8_t>(bytes[i + k]) : 0);
    }
    for (size_t k = 0; k < 4; ++k) {
      text += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
  }
  return text;
}

bool Base64Decode(const std::string& text, std::string* bytes) {
  bytes->clear();
  uint32_t group = 0;
  int sextets = 0;
  int padding = 0;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    const int sextet = SextetOf(c);
    if (sextet < 0 || padding > 0) return false;
    group = group << 6 | static_cast<uint32_t>(sextet);
    if (++sextets == 4) {
      bytes->push_back(static_cast<char>(group >> 16));
      bytes->push_back(static_cast<char>(group >> 8));
      bytes->push_back(static_cast<char>(group));
      group = 0;
      sextets = 0;
    }
  }
  // A final group of 2 or 3 sextets carries 1 or 2 bytes; a single sextet is no byte at all.
  if (sextets == 1 || padding > 2) return false;
  if (sextets >= 2) bytes->push_back(static_cast<char>(group >> (sextets == 2 ? 4 : 10)));
  if (sextets == 3) bytes->push_back(static_cast<char>(group >> 2));
  return true;
}

}  // namespace cds
