#include "vyrutil/numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace VyrUtil {

namespace {
// A double keeps 15 significant decimal digits through any round trip; the representation
// error of a money amount (0.1 + 0.2 = 0.30000000000000004) lives beyond them.
constexpr int kSignificantDigits = 15;
// Beyond this no cents are left to cut: the value has no fractional digits.
constexpr double kLargestCuttable = 1e15;
}  // namespace

// The value is first written as decimal text rounded to the digits a double holds, which drops
// the representation error at any magnitude, and the text is then cut after the second decimal.
// Scaling by 100 and rounding instead runs out of integer precision near ten million.
double Trunc2(double value) {
  if (!std::isfinite(value) || std::fabs(value) >= kLargestCuttable) return value;
  const int magnitude = value == 0 ? 0 : static_cast<int>(std::floor(std::log10(std::fabs(value))));
  const int decimals = std::min(kSignificantDigits - 1 - magnitude, 30);
  char text[64];
  const auto written = std::to_chars(text, text + sizeof text - 1, value, std::chars_format::fixed,
                                     std::max(decimals, 0));
  std::string digits(text, written.ptr);
  const size_t point = digits.find('.');
  if (point != std::string::npos && digits.size() > point + 3) digits.resize(point + 3);
  double cut = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), cut);
  // -0.001 cuts to -0.0; callers compare and print, so give plain zero.
  return cut == 0.0 ? 0.0 : cut;
}

}  // namespace VyrUtil
