#pragma once
// Base64 (RFC 4648 alphabet, '=' padding) for binary field values in XML data packets.

#include <string>

namespace cds {

std::string Base64Encode(const std::string& bytes);
// Blanks and line breaks are skipped. False for any other character outside the alphabet or
// for a truncated final group.
bool Base64Decode(const std::string& text, std::string* bytes);

}  // namespace cds
