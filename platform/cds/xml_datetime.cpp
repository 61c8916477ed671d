#include "cds/xml_datetime.h"

#include <cstdio>

#include "cds/day_time.h"

namespace cds {

namespace {

// Reads `count` digits at `pos`; false if any is not a digit or the text ends.
bool Digits(const std::string& text, size_t pos, size_t count, int64_t* value) {
  if (pos + count > text.size()) return false;
  *value = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    *value = *value * 10 + (text[i] - '0');
  }
  return true;
}

bool ParseDayNumber(const std::string& text, int64_t* day_number) {
  int64_t year, month, day;
  return Digits(text, 0, 4, &year) && Digits(text, 4, 2, &month) && Digits(text, 6, 2, &day) &&
         DayNumberOf(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
                     day_number);
}

// "hh:nn:sssss" or "hh:nn:ss" starting at `pos` and running to the end of the text.
bool ParseMsOfDay(const std::string& text, size_t pos, int64_t* ms) {
  int64_t hour, minute, seconds;
  if (!Digits(text, pos, 2, &hour) || text.size() < pos + 6 || text[pos + 2] != ':' ||
      !Digits(text, pos + 3, 2, &minute) || text[pos + 5] != ':') {
    return false;
  }
  const size_t rest = text.size() - (pos + 6);
  if ((rest != 5 && rest != 2) || !Digits(text, pos + 6, rest, &seconds)) return false;
  if (rest == 2) seconds *= 1000;
  if (hour > 23 || minute > 59 || seconds > 59999) return false;
  *ms = (hour * 60 + minute) * 60000 + seconds;
  return true;
}

std::string FormatDay(const CivilDateTime& c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", c.year, c.month, c.day);
  return buffer;
}

std::string FormatTimeOfDay(const CivilDateTime& c) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%05d", c.hour, c.minute,
                c.second * 1000 + c.msec);
  return buffer;
}

}  // namespace

bool ParseXmlDate(const std::string& text, rtl::TDateTime* result) {
  DayTime value;
  if (text.size() != 8 || !ParseDayNumber(text, &value.day_number)) return false;
  *result = ToDateTime(value);
  return true;
}

bool ParseXmlTime(const std::string& text, rtl::TDateTime* result) {
  DayTime value;
  value.day_number = kDayNumberOfZero;
  if (!ParseMsOfDay(text, 0, &value.ms)) return false;
  *result = ToDateTime(value);
  return true;
}

bool ParseXmlDateTime(const std::string& text, rtl::TDateTime* result) {
  DayTime value;
  if (text.size() < 8 || !ParseDayNumber(text, &value.day_number)) return false;
  if (text.size() > 8 && (text[8] != 'T' || !ParseMsOfDay(text, 9, &value.ms))) return false;
  *result = ToDateTime(value);
  return true;
}

bool FormatXmlDate(rtl::TDateTime value, std::string* text) {
  CivilDateTime c;
  if (!ToCivil(value, &c)) return false;
  *text = FormatDay(c);
  return true;
}

bool FormatXmlTime(rtl::TDateTime value, std::string* text) {
  CivilDateTime c;
  if (!ToCivil(value, &c)) return false;
  *text = FormatTimeOfDay(c);
  return true;
}

bool FormatXmlDateTime(rtl::TDateTime value, std::string* text) {
  CivilDateTime c;
  if (!ToCivil(value, &c)) return false;
  const bool midnight = c.hour == 0 && c.minute == 0 && c.second == 0 && c.msec == 0;
  *text = midnight ? FormatDay(c) : FormatDay(c) + "T" + FormatTimeOfDay(c);
  return true;
}

}  // namespace cds
