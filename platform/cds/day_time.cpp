#include "cds/day_time.h"

#include <cmath>

#include "rtl/errors.h"

namespace cds {

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
  DayTime checked;
  if (!FromDateTime(value, &checked)) return false;
  const rtl::DateTimeParts parts = rtl::DecodeDateTime(value);
  *result = {parts.year,   parts.month,  parts.day, parts.hour,
             parts.minute, parts.second, parts.msec};
  return true;
}

bool DayNumberOf(int year, int month, int day, int64_t* result) {
  if (year < 1 || year > 9999) return false;
  try {
    *result = static_cast<int64_t>(rtl::EncodeDate(year, month, day)) + kDayNumberOfZero;
  } catch (const rtl::EConvertError&) {
    return false;
  }
  return true;
}

}  // namespace cds
