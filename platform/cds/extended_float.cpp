#include "cds/extended_float.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace cds {

namespace {

constexpr int kBias = 16383;
constexpr int kMaxExponent = 0x7FFF;

}  // namespace

double DecodeExtended(const unsigned char* bytes) {
  uint64_t mantissa = 0;
  for (int i = 0; i < 8; ++i) mantissa |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  const int sign_exponent = bytes[8] | (bytes[9] << 8);
  const bool negative = (sign_exponent & 0x8000) != 0;
  const int exponent = sign_exponent & kMaxExponent;
  double value;
  if (exponent == kMaxExponent) {
    value = (mantissa << 1) == 0 ? std::numeric_limits<double>::infinity()
                                 : std::numeric_limits<double>::quiet_NaN();
  } else {
    // The mantissa is an integer scaled by 2^63; the exponent range exceeds double's, and
    // ldexp saturates to infinity or zero there.
    value = std::ldexp(static_cast<double>(mantissa), exponent - kBias - 63);
  }
  return negative ? -value : value;
}

std::string EncodeExtended(double value) {
  uint64_t mantissa = 0;
  int exponent = 0;
  if (std::isnan(value)) {
    mantissa = 0xC000000000000000ull;
    exponent = kMaxExponent;
  } else if (std::isinf(value)) {
    mantissa = 0x8000000000000000ull;
    exponent = kMaxExponent;
  } else if (value != 0) {
    int binary_exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &binary_exponent);  // [0.5, 1)
    mantissa = static_cast<uint64_t>(std::ldexp(fraction, 64));
    exponent = binary_exponent - 1 + kBias;
  }
  if (std::signbit(value)) exponent |= 0x8000;
  std::string bytes(10, '\0');
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(mantissa >> (8 * i));
  bytes[8] = static_cast<char>(exponent & 0xFF);
  bytes[9] = static_cast<char>(exponent >> 8);
  return bytes;
}

}  // namespace cds
