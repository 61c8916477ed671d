#include "rtl/datetime.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "rtl/errors.h"

namespace rtl {
namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 30 December 1899 to 1 January 1970.
constexpr int64_t kUnixEpochDays = 25569;

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Proleptic Gregorian day counts relative to 1970-01-01 (H. Hinnant's civil algorithms).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, DateTimeParts& parts) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  parts.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  parts.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  parts.year = static_cast<int>(yoe + era * 400 + (parts.month <= 2));
}

std::mutex g_clock_mutex;
std::function<TDateTime()> g_clock;  // guarded by g_clock_mutex

TDateTime SystemNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
  std::tm local{};
  localtime_r(&seconds, &local);
  DateTimeParts parts;
  parts.year = local.tm_year + 1900;
  parts.month = local.tm_mon + 1;
  parts.day = local.tm_mday;
  parts.hour = local.tm_hour;
  parts.minute = local.tm_min;
  parts.second = local.tm_sec < 60 ? local.tm_sec : 59;  // a leap second is not a time of day
  parts.msec = static_cast<int>(((ms.count() % 1000) + 1000) % 1000);
  return EncodeDateTime(parts);
}

std::string Format(const char* pattern, int a, int b, int c) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, pattern, a, b, c);
  return buffer;
}

}  // namespace

TDateTime EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    throw EConvertError("Invalid date: " + std::to_string(year) + "-" + std::to_string(month) +
                        "-" + std::to_string(day));
  }
  return static_cast<TDateTime>(DaysFromCivil(year, month, day) + kUnixEpochDays);
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
      msec > 999) {
    throw EConvertError("Invalid time: " + std::to_string(hour) + ":" + std::to_string(minute) +
                        ":" + std::to_string(second) + "." + std::to_string(msec));
  }
  const int64_t ms = ((hour * 60 + minute) * 60 + second) * 1000 + msec;
  return static_cast<TDateTime>(ms) / kMsPerDay;
}

TDateTime EncodeDateTime(const DateTimeParts& parts) {
  const TDateTime date = EncodeDate(parts.year, parts.month, parts.day);
  const TDateTime time = EncodeTime(parts.hour, parts.minute, parts.second, parts.msec);
  // Before 1899-12-30 the day is negative while the time still counts forward from midnight.
  return date < 0 ? date - time : date + time;
}

DateTimeParts DecodeDateTime(TDateTime value) {
  // Beyond years 1..9999 (and for NaN) the day arithmetic below would overflow.
  if (!(value > -693594 - 1.0 && value < 2958466 + 1.0)) {
    throw EConvertError("Invalid date-time value: " + std::to_string(value));
  }
  int64_t days = 0;
  int64_t ms = 0;
  if (value >= 0) {
    const int64_t total = std::llround(value * kMsPerDay);
    days = total / kMsPerDay;
    ms = total % kMsPerDay;
  } else {
    const double whole = std::trunc(value);
    days = static_cast<int64_t>(whole);
    ms = std::llround((whole - value) * kMsPerDay);
    if (ms >= kMsPerDay) {
      ++days;
      ms -= kMsPerDay;
    }
  }
  DateTimeParts parts;
  CivilFromDays(days - kUnixEpochDays, parts);
  parts.msec = static_cast<int>(ms % 1000);
  parts.second = static_cast<int>(ms / 1000 % 60);
  parts.minute = static_cast<int>(ms / 60000 % 60);
  parts.hour = static_cast<int>(ms / 3600000);
  return parts;
}

TDateTime Now() {
  std::function<TDateTime()> clock;
  {
    std::lock_guard<std::mutex> lock(g_clock_mutex);
    clock = g_clock;
  }
  return clock ? clock() : SystemNow();
}

TDateTime Date() {
  return std::trunc(Now());
}

void SetClock(std::function<TDateTime()> clock) {
  std::lock_guard<std::mutex> lock(g_clock_mutex);
  g_clock = std::move(clock);
}

std::string DateTimeToStr(TDateTime value) {
  const DateTimeParts p = DecodeDateTime(value);
  std::string text = Format("%02d/%02d/%04d", p.day, p.month, p.year);
  if (p.hour != 0 || p.minute != 0 || p.second != 0) {
    text += Format(" %02d:%02d:%02d", p.hour, p.minute, p.second);
  }
  return text;
}

std::string FormatDateIso(TDateTime value) {
  const DateTimeParts p = DecodeDateTime(value);
  return Format("%04d-%02d-%02d", p.year, p.month, p.day);
}

std::string FormatSqlDateTime(TDateTime value) {
  const DateTimeParts p = DecodeDateTime(value);
  return Format("%04d-%02d-%02d", p.year, p.month, p.day) +
         Format(" %02d:%02d:%02d", p.hour, p.minute, p.second);
}

}  // namespace rtl
