#include "cds/xml_encoding.h"

#include <algorithm>
#include <cctype>

namespace cds {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The encoding="..." value of the declaration that opens the file, or "".
std::string DeclaredEncoding(const std::string& bytes) {
  const size_t start = bytes.find_first_not_of(" \t\r\n");
  if (start == std::string::npos || bytes.compare(start, 5, "<?xml") != 0) return "";
  const size_t end = bytes.find("?>", start);
  if (end == std::string::npos) return "";
  const std::string declaration = bytes.substr(start, end - start);
  const size_t key = declaration.find("encoding");
  if (key == std::string::npos) return "";
  const size_t quote = declaration.find_first_of("\"'", key);
  if (quote == std::string::npos) return "";
  const size_t close = declaration.find(declaration[quote], quote + 1);
  if (close == std::string::npos) return "";
  return declaration.substr(quote + 1, close - quote - 1);
}

}  // namespace

XmlEncoding DetectXmlEncoding(const std::string& bytes, std::string* name) {
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return XmlEncoding::Utf8;
  if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0) {
    return XmlEncoding::Utf16;
  }
  *name = DeclaredEncoding(bytes);
  const std::string lower = Lower(*name);
  if (lower.empty() || lower == "windows-1252" || lower == "cp1252" || lower == "iso-8859-1" ||
      lower == "latin1" || lower == "us-ascii") {
    return XmlEncoding::Cp1252;
  }
  if (lower == "utf-8" || lower == "utf8") return XmlEncoding::Utf8;
  return XmlEncoding::Unknown;
}

}  // namespace cds
