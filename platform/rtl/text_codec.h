#pragma once
// Text conversions. Texts are UTF-8 std::strings everywhere; "wide" inputs arrive as UTF-16.

#include <string>

namespace rtl {

// UTF-16 to UTF-8. A code unit that cannot be converted (an unpaired surrogate) becomes "?".
std::string WideToUtf8(const std::u16string& text);
// UTF-8 to UTF-16. A byte sequence that is not valid UTF-8 becomes "?".
std::u16string Utf8ToWide(const std::string& text);
// Windows-1252 bytes to UTF-8 (the five undefined bytes map to their C1 controls).
std::string Cp1252ToUtf8(const std::string& bytes);
// UTF-8 to Windows-1252; characters outside the code page become "?".
std::string Utf8ToCp1252(const std::string& text);

}  // namespace rtl
