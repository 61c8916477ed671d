#include "cds/day_time.h"

#include <cmath>

namespace cds {

namespace {

// Days from 0001-01-01 (day 1) by the proleptic Gregorian calendar, in the usual era form:
// 400-year eras of 146097 days, counted from 0000-03-01 so leap days fall at era ends.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 305;  // 0000-03-01 is day -305 with 0001-01-01 as day 1
}

void CivilFromDays(int64_t day_number, CivilDateTime* out) {
  const int64_t z = day_number + 305;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  out->day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  out->month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  out->year = static_cast<int>(yoe + era * 400 + (out->month <= 2));
}

}  // namespace

rtl::TDateTime ToDateTime(DayTime value) {
  const double day = static_cast<double>(value.day_number - kDayNumberOfZero);
  const double fraction = static_cast<double>(value.ms) / kMsPerDay;
  // Before 1899-12-30 the day counts down while the time of day still counts up.
  return day >= 0 ? day + fraction : day - fraction;
}

bool FromDateTime(rtl::TDateTime value, DayTime* result) {
  if (!std::isfinite(value)) return false;
  const double whole = std::trunc(value);
  if (whole < 1 - kDayNumberOfZero || whole > kMaxDayNumber - kDayNumberOfZero) return false;
  int64_t ms = std::llround(std::fabs(value - whole) * kMsPerDay);
  int64_t day = static_cast<int64_t>(whole) + kDayNumberOfZero;
  if (ms >= kMsPerDay) {  // rounded up to the next midnight
    ms -= kMsPerDay;
    ++day;
  }
  if (day < 1 || day > kMaxDayNumber) return false;
  result->day_number = day;
  result->ms = ms;
  return true;
}

bool ToCivil(rtl::TDateTime value, CivilDateTime* result) {
  DayTime parts;
  if (!FromDateTime(value, &parts)) return false;
  CivilFromDays(parts.day_number, result);
  result->hour = static_cast<int>(parts.ms / 3600000);
  result->minute = static_cast<int>(parts.ms / 60000 % 60);
  result->second = static_cast<int>(parts.ms / 1000 % 60);
  result->msec = static_cast<int>(parts.ms % 1000);
  return true;
}

bool DayNumberOf(int year, int month, int day, int64_t* result) {
  static const int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (day > kDaysInMonth[month - 1] + (month == 2 && leap ? 1 : 0)) return false;
  *result = DaysFromCivil(year, month, day);
  return true;
}

}  // namespace cds
