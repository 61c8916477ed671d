#pragma once
// Date-times as table files count them: a day number with 0001-01-01 as day 1, and milliseconds
// since midnight. Both file forms and the dump tool convert through these functions, so a value
// reads the same from either form.

#include <cstdint>

#include "rtl/datetime.h"

namespace cds {

constexpr int64_t kMsPerDay = 86400000;
// Day number of 1899-12-30, the platform's date-time zero.
constexpr int64_t kDayNumberOfZero = 693594;
constexpr int64_t kMaxDayNumber = 3652059;  // 9999-12-31

struct DayTime {
  int64_t day_number = 0;  // 1 .. kMaxDayNumber
  int64_t ms = 0;          // 0 .. kMsPerDay - 1
};

// Callers check the ranges above first.
rtl::TDateTime ToDateTime(DayTime value);
// False for a value outside years 1-9999 (or not finite). Rounds to the millisecond.
bool FromDateTime(rtl::TDateTime value, DayTime* result);

struct CivilDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
};
// Calendar parts of a value; false as FromDateTime.
bool ToCivil(rtl::TDateTime value, CivilDateTime* result);
// The day number of a calendar date; false for an invalid date or a year outside 1-9999.
bool DayNumberOf(int year, int month, int day, int64_t* result);

}  // namespace cds
