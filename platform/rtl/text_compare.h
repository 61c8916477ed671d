#pragma once
// Comparing names and keywords without regard to case (ASCII letters only), as the databases
// compare column names and the devices their value names. Thread-safe.

#include <string>

namespace rtl {

// True when `a` and `b` differ at most in the case of ASCII letters.
bool SameText(const std::string& a, const std::string& b);

// `text` with its ASCII letters in lower case; other bytes (UTF-8 included) are kept.
std::string LowerCase(std::string text);

}  // namespace rtl
