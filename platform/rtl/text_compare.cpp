#include "rtl/text_compare.h"

namespace rtl {
namespace {

// std::tolower follows the C locale; names compare the same whatever the process set.
char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string LowerCase(std::string text) {
  for (char& c : text) c = Lower(c);
  return text;
}

}  // namespace rtl
