#include "support/seams.h"

#include <stdlib.h>

#include <ctime>
#include <memory>
#include <mutex>

#include "rtl/random.h"

namespace vyrtest {

ScopedClock::ScopedClock(rtl::TDateTime now) {
  Set(now);
}

ScopedClock::~ScopedClock() {
  rtl::SetClock({});
}

// A new function rather than a shared value: the clock may be read on other threads, and
// SetClock hands functions over under its lock.
void ScopedClock::Set(rtl::TDateTime now) {
  rtl::SetClock([now] { return now; });
}

ScopedRandom::ScopedRandom(std::vector<uint32_t> draws) {
  auto state = std::make_shared<std::pair<std::mutex, size_t>>();
  rtl::SetRandom([draws = std::move(draws), state](uint32_t) {
    std::lock_guard<std::mutex> lock(state->first);
    return draws[state->second++ % draws.size()];
  });
}

ScopedRandom::ScopedRandom(std::function<uint32_t(uint32_t below)> source) {
  rtl::SetRandom(std::move(source));
}

ScopedRandom::~ScopedRandom() {
  rtl::SetRandom({});
}

ScopedTimeZone::ScopedTimeZone(const std::string& tz) {
  if (const char* current = getenv("TZ")) {
    had_ = true;
    previous_ = current;
  }
  setenv("TZ", tz.c_str(), 1);
  tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (had_) {
    setenv("TZ", previous_.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

}  // namespace vyrtest
