#include "vyrutil/numbers.h"

#include <cmath>

namespace VyrUtil {

namespace {
// Beyond this many hundredths a double has no fractional digits left to cut.
constexpr double kLargestCuttable = 1e15;
// Seven decimals of hundredths (nine of the value) absorb the representation error of any
// money amount, while a real third decimal (1.239) is still far above it.
constexpr double kErrorScale = 1e7;
}  // namespace

double Trunc2(double value) {
  if (!std::isfinite(value)) return value;
  const double hundredths = value * 100.0;
  if (std::fabs(hundredths) >= kLargestCuttable) return value;
  const double cleaned = std::round(hundredths * kErrorScale) / kErrorScale;
  const double cut = std::trunc(cleaned);
  // -0.001 cuts to -0.0; callers compare and print, so give plain zero.
  return cut == 0.0 ? 0.0 : cut / 100.0;
}

}  // namespace VyrUtil
