#include "vyrutil/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace VyrUtil {

namespace {
// A double keeps 15 significant decimal digits through any round trip; the representation
// error of a money amount (0.1 + 0.2 = 0.30000000000000004) lives beyond them.
constexpr int kSignificantDigits = 15;
// Beyond this no cents are left to cut or round: the value has no fractional digits.
constexpr double kLargestWithCents = 1e15;

bool HasCents(double value) {
  return std::isfinite(value) && std::fabs(value) < kLargestWithCents;
}

// The value as fixed decimal text rounded to the digits a double holds, which drops the
// representation error at any magnitude: 1.005 (stored as 1.00499999999999989) gives
// "1.00500000000000". Scaling by 100 instead runs out of integer precision near ten million.
std::string DecimalText(double value) {
  const int magnitude = value == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(value))));
  const int decimals = std::min(kSignificantDigits - 1 - magnitude, 30);
  char text[64];
  const auto written = std::to_chars(text, text + sizeof text - 1, value, std::chars_format::fixed,
                                     std::max(decimals, 0));
  return std::string(text, written.ptr);
}

double ReadDecimal(const std::string& digits) {
  double value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  // -0.001 gives -0.0; callers compare and print, so give plain zero.
  return value == 0.0 ? 0.0 : value;
}

}  // namespace

// The decimal text is cut after the second decimal.
double Trunc2(double value) {
  if (!HasCents(value)) return value;
  std::string digits = DecimalText(value);
  const size_t point = digits.find('.');
  if (point != std::string::npos && digits.size() > point + 3) digits.resize(point + 3);
  return ReadDecimal(digits);
}

// The magnitude's decimal text decides: its third decimal digit alone tells whether the cents
// go up, and the sign is put back afterwards, which makes the rounding symmetric around zero.
double Arredonda2(double value) {
  if (!HasCents(value)) return value;
  const std::string digits = DecimalText(std::fabs(value));
  const size_t point = std::min(digits.find('.'), digits.size());
  std::string fraction = point < digits.size() ? digits.substr(point + 1) : std::string();
  fraction.resize(3, '0');
  long long cents = 0;
  std::from_chars(digits.data(), digits.data() + point, cents);
  cents = cents * 100 + (fraction[0] - '0') * 10 + (fraction[1] - '0');
  if (fraction[2] >= '5') ++cents;
  char text[48];
  std::snprintf(text, sizeof text, "%s%lld.%02lld", value < 0 ? "-" : "", cents / 100, cents % 100);
  return ReadDecimal(text);
}

}  // namespace VyrUtil
