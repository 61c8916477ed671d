#pragma once
// Numbers as text, always with '.' as the decimal separator, independent of the C locale.
// All functions are thread-safe.

#include <cstdint>
#include <string>

namespace rtl {

// The shortest text that reads back to the same double: "0.5", "3", "-12.75", "0.0001";
// exponent form ("1E20", "1.5E-7") only for very large or very small magnitudes.
// NaN and infinities give "NAN", "INF" and "-INF".
std::string FloatToStr(double value);

// Reads [+|-]digits[.digits][e[+|-]digits] with optional blanks around it. Returns false for
// anything else (a ',' separator, letters, an empty text, a value out of double range).
bool TryStrToFloat(const std::string& text, double& value);
// Reads [+|-]digits with optional blanks around it, within the int64 range.
bool TryStrToInt64(const std::string& text, int64_t& value);

// As above, raising EConvertError "'<text>' is not a valid floating point value" /
// "'<text>' is not a valid integer value".
double StrToFloat(const std::string& text);
int64_t StrToInt64(const std::string& text);

}  // namespace rtl
