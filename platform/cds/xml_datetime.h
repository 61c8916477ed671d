#pragma once
// Date and time texts of XML data packets: dates "yyyymmdd", times "hh:nn:" followed by five
// digits (seconds x 1000 + milliseconds), date-times "yyyymmddThh:nn:ssmmm", or the date alone at
// midnight.

#include <string>

#include "rtl/datetime.h"

namespace cds {

// Each returns false for a text of another shape or an invalid calendar value. Times also
// accept two-digit seconds; date-times also accept a time part without milliseconds.
bool ParseXmlDate(const std::string& text, rtl::TDateTime* result);
bool ParseXmlTime(const std::string& text, rtl::TDateTime* result);
bool ParseXmlDateTime(const std::string& text, rtl::TDateTime* result);

// Each returns false for a value outside years 1-9999.
bool FormatXmlDate(rtl::TDateTime value, std::string* text);
bool FormatXmlTime(rtl::TDateTime value, std::string* text);
bool FormatXmlDateTime(rtl::TDateTime value, std::string* text);

}  // namespace cds
