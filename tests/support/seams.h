#pragma once
// The process's clock, random source and time zone held still for the length of a scope, so
// that expectations never depend on the real date, real randomness or the machine's zone.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "rtl/datetime.h"

namespace vyrtest {

// rtl::Now() answers `now` until Set moves it; the system clock is back after the scope.
class ScopedClock {
 public:
  explicit ScopedClock(rtl::TDateTime now);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

  void Set(rtl::TDateTime now);
};

// rtl::Random answers `draws` in turn (each modulo the range asked for), starting over after
// the last; or asks `source`. The process's generator is back after the scope.
class ScopedRandom {
 public:
  explicit ScopedRandom(std::vector<uint32_t> draws);
  explicit ScopedRandom(std::function<uint32_t(uint32_t below)> source);
  ~ScopedRandom();
  ScopedRandom(const ScopedRandom&) = delete;
  ScopedRandom& operator=(const ScopedRandom&) = delete;
};

// The process's local time zone is `tz` (a POSIX TZ text such as "<-03>3", which needs no zone
// files) for the scope; the previous TZ is restored afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const std::string& tz);
  ~ScopedTimeZone();
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  bool had_ = false;
  std::string previous_;
};

}  // namespace vyrtest
