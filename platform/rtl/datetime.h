#pragma once
// Date-times as the platform keeps them: a double counting days since 30 December 1899,
// with the time of day as the fraction. All functions are thread-safe.

#include <functional>
#include <string>

namespace rtl {

using TDateTime = double;

struct DateTimeParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, msec = 0;
};

// Raise EConvertError for an invalid calendar date or time of day.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
TDateTime EncodeDateTime(const DateTimeParts& parts);
// Rounds to the nearest millisecond; works for negative values (dates before 1899) too.
// Raises EConvertError for NaN and values outside years 1 to 9999.
DateTimeParts DecodeDateTime(TDateTime value);

// The current local date-time and date (time part zero), from the process clock.
TDateTime Now();
TDateTime Date();

// Replaces the process clock (tests, simulations); an empty function restores the system clock.
void SetClock(std::function<TDateTime()> clock);

// "dd/mm/yyyy hh:nn:ss"; the date alone when hours, minutes and seconds are all zero
// (milliseconds do not count).
std::string DateTimeToStr(TDateTime value);
// "yyyy-mm-dd".
std::string FormatDateIso(TDateTime value);
// "YYYY-MM-DD HH:MM:SS", the form date-times are stored in on SQLite.
std::string FormatSqlDateTime(TDateTime value);
// Reads "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" and "YYYY-MM-DDTHH:MM:SS", each optionally with
// ".fff" milliseconds. Raises EConvertError naming the text when it is none of these.
TDateTime ParseSqlDateTime(const std::string& text);
// Reads the date-time text "dd/mm/yyyy" or "dd/mm/yyyy hh:nn[:ss]", the form DateTimeToStr
// writes. Raises EConvertError ("'x' is not a valid date and time") otherwise.
TDateTime StrToDateTime(const std::string& text);

}  // namespace rtl
