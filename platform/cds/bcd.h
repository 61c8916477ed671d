#pragma once
// Packed BCD values as table files store them: 18 bytes, a precision byte, a sign-and-places
// byte (0x80 negative, low 6 bits decimal places) and 32 packed digits, most significant first,
// of which the first `precision` count.

#include <string>

namespace cds {

constexpr int kBcdMaxDigits = 32;

// `bytes` holds 18 bytes. False for a precision above 32 or a digit above 9.
bool DecodeBcd(const unsigned char* bytes, double* result);
// The 18 bytes for `value` rounded to `places` decimals, with at least `precision` digits.
// False when the value is not finite or needs more than 32 digits.
bool EncodeBcd(double value, int precision, int places, std::string* result);

}  // namespace cds
