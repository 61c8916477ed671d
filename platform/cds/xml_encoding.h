#pragma once
// The text encoding of an XML data packet, from its byte-order mark or declaration.

#include <string>

namespace cds {

enum class XmlEncoding {
  Utf8,     // declared UTF-8, or a UTF-8 byte-order mark
  Utf16,    // a UTF-16 byte-order mark
  Cp1252,   // no declaration (the installation's code page) or a Latin-1 family name
  Unknown,  // declared something else; `name` holds it
};

// Looks only at the start of the file; never fails.
XmlEncoding DetectXmlEncoding(const std::string& bytes, std::string* name);

}  // namespace cds
