#pragma once
// The 80-bit extended floating-point format (10 bytes, little-endian: 64-bit mantissa with an
// explicit integer bit, then sign and 15-bit exponent), converted to and from double.

#include <string>

namespace cds {

// `bytes` holds 10 bytes. Values beyond double range become infinities; precision beyond
// double's is rounded away.
double DecodeExtended(const unsigned char* bytes);
// Exact: every double is representable.
std::string EncodeExtended(double value);

}  // namespace cds
