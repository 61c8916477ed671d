#include "rtl/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "rtl/errors.h"

namespace rtl {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trimmed(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

size_t SkipDigits(const std::string& s, size_t pos) {
  while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') ++pos;
  return pos;
}

// Checks the decimal grammar by hand: from_chars would also take "inf", "nan" and hex forms.
bool IsDecimal(const std::string& s) {
  size_t pos = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
  size_t int_end = SkipDigits(s, pos);
  size_t frac_end = int_end;
  if (int_end < s.size() && s[int_end] == '.') frac_end = SkipDigits(s, int_end + 1);
  const size_t mantissa_digits =
      (int_end - pos) + (frac_end > int_end ? frac_end - int_end - 1 : 0);
  if (mantissa_digits == 0) return false;
  pos = frac_end;
  if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
    ++pos;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) ++pos;
    const size_t exp_end = SkipDigits(s, pos);
    if (exp_end == pos) return false;
    pos = exp_end;
  }
  return pos == s.size();
}

// Places the decimal point in the shortest digits: fixed form for ordinary magnitudes.
std::string Layout(bool negative, const std::string& digits, int exponent) {
  std::string out = negative ? "-" : "";
  const int n = static_cast<int>(digits.size());
  if (exponent < -5 || exponent >= 15) {
    out += digits.substr(0, 1);
    if (n > 1) out += "." + digits.substr(1);
    return out + "E" + std::to_string(exponent);
  }
  if (exponent < 0) return out + "0." + std::string(-exponent - 1, '0') + digits;
  if (exponent + 1 >= n) return out + digits + std::string(exponent + 1 - n, '0');
  return out + digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
}

}  // namespace

std::string FloatToStr(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  char buffer[64];
  // Shortest round-trip digits in the form d.ddde±x; re-laid out below.
  auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                              std::chars_format::scientific);
  std::string sci(buffer, result.ptr);
  const size_t e = sci.find('e');
  std::string digits = sci.substr(0, 1) + (e > 2 ? sci.substr(2, e - 2) : "");
  const int exponent = std::atoi(sci.c_str() + e + 1);
  return Layout(value < 0, digits, exponent);
}

bool TryStrToFloat(const std::string& text, double& value) {
  std::string s = Trimmed(text);
  if (!IsDecimal(s)) return false;
  const char* begin = s.c_str() + (s[0] == '+' ? 1 : 0);
  double parsed = 0;
  auto result = std::from_chars(begin, s.c_str() + s.size(), parsed);
  if (result.ec != std::errc() || result.ptr != s.c_str() + s.size()) return false;
  value = parsed;
  return true;
}

bool TryStrToInt64(const std::string& text, int64_t& value) {
  std::string s = Trimmed(text);
  const char* begin = s.c_str() + (!s.empty() && s[0] == '+' ? 1 : 0);
  if (begin != s.c_str() && (s.size() < 2 || s[1] == '-')) return false;
  int64_t parsed = 0;
  auto result = std::from_chars(begin, s.c_str() + s.size(), parsed);
  if (result.ec != std::errc() || result.ptr != s.c_str() + s.size() || s.empty()) return false;
  value = parsed;
  return true;
}

double StrToFloat(const std::string& text) {
  double value = 0;
  if (!TryStrToFloat(text, value)) {
    throw EConvertError("'" + text + "' is not a valid floating point value");
  }
  return value;
}

int64_t StrToInt64(const std::string& text) {
  int64_t value = 0;
  if (!TryStrToInt64(text, value)) {
    throw EConvertError("'" + text + "' is not a valid integer value");
  }
  return value;
}

}  // namespace rtl
