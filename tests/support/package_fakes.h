#pragma once
// Fakes of the sibling packages' function variables, for unit tests.
//
// ScopedOverride points a function variable (a function pointer or a std::function) at a fake
// for the life of the object and puts the original back on every way out of the test. Fakes
// record their calls in PackageCalls(), which the worker thread may write while the test thread
// reads: every member is guarded by one lock.

#include <mutex>
#include <string>
#include <utility>

namespace vyrtest {

template <typename Variable>
class ScopedOverride {
 public:
  template <typename Fake>
  ScopedOverride(Variable& variable, Fake&& fake) : variable_(variable), original_(variable) {
    variable_ = std::forward<Fake>(fake);
  }
  ~ScopedOverride() { variable_ = original_; }
  ScopedOverride(const ScopedOverride&) = delete;
  ScopedOverride& operator=(const ScopedOverride&) = delete;

 private:
  Variable& variable_;
  Variable original_;
};

template <typename Variable, typename Fake>
ScopedOverride(Variable&, Fake&&) -> ScopedOverride<Variable>;

// The calls the fakes saw, in order, as one text: "StartKioskDll;StartSI300(0,0);".
class CallLog {
 public:
  void Record(const std::string& call) {
    std::lock_guard<std::mutex> lock(mutex_);
    text_ += call + ";";
  }
  std::string Text() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    text_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::string text_;
};

// The one log of the process, so fakes without captures (plain function pointers) reach it.
inline CallLog& PackageCalls() {
  static CallLog log;
  return log;
}

}  // namespace vyrtest
