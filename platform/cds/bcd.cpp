#include "cds/bcd.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace cds {

namespace {

int DigitAt(const unsigned char* digits, int index) {
  const unsigned char byte = digits[index / 2];
  return index % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

}  // namespace

bool DecodeBcd(const unsigned char* bytes, double* result) {
  const int precision = bytes[0];
  const int places = bytes[1] & 0x3F;
  const bool negative = (bytes[1] & 0x80) != 0;
  if (precision > kBcdMaxDigits) return false;
  // Decimal text, then one correctly rounded conversion: no error accumulates per digit.
  std::string text = "0";
  for (int i = 0; i < precision; ++i) {
    const int digit = DigitAt(bytes + 2, i);
    if (digit > 9) return false;
    text += static_cast<char>('0' + digit);
  }
  text += "e-" + std::to_string(places);
  double value = 0;
  const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
  if (parsed.ec != std::errc() && parsed.ec != std::errc::result_out_of_range) return false;
  *result = negative ? -value : value;
  return true;
}

bool EncodeBcd(double value, int precision, int places, std::string* result) {
  if (!std::isfinite(value) || places < 0 || places > 63) return false;
  char buffer[512];
  const auto printed = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                     std::chars_format::fixed, places);
  if (printed.ec != std::errc()) return false;
  std::string digits;
  for (const char* p = buffer; p != printed.ptr; ++p) {
    if (*p != '.') digits += *p;
  }
  const size_t first = digits.find_first_not_of('0');
  digits = first == std::string::npos ? "" : digits.substr(first);
  const size_t wanted = static_cast<size_t>(std::clamp(precision, 0, kBcdMaxDigits));
  if (digits.size() < wanted) digits.insert(0, wanted - digits.size(), '0');
  if (digits.size() > static_cast<size_t>(kBcdMaxDigits)) return false;
  result->assign(18, '\0');
  (*result)[0] = static_cast<char>(digits.size());
  const bool negative = value < 0 && digits.find_first_not_of('0') != std::string::npos;
  (*result)[1] = static_cast<char>((negative ? 0x80 : 0) | places);
  for (size_t i = 0; i < digits.size(); ++i) {
    const int digit = digits[i] - '0';
    (*result)[2 + i / 2] |= static_cast<char>(i % 2 == 0 ? digit << 4 : digit);
  }
  return true;
}

}  // namespace cds
