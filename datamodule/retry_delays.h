#pragma once
// How long an order whose sale the fiscal package refused waits before it is closed again.
//
// After each refusal the order waits twice as long as after the one before: 1 s, 2 s, 4 s ...
// up to 5 minutes. The delays live in memory only; an order's delay ends when the order leaves
// the pending list. Time is read from rtl::Now(), so a test can move the clock.
//
// Part of the data module's run state: the closing records a refusal, the scan passes over an
// order while its delay runs. Not thread-safe: used on the worker thread only.

#include <map>
#include <set>
#include <string>

#include "rtl/datetime.h"

namespace Cli_Qam00417 {

class RetryDelays {
 public:
  static constexpr int kFirstDelaySeconds = 1;
  static constexpr int kLongestDelaySeconds = 300;

  // The order's key: branch, restaurant sale and bill.
  static std::string Key(const std::string& CDFILIAL, const std::string& NRVENDAREST,
                         const std::string& NRCOMANDA);

  // True while the order's delay runs.
  bool Waiting(const std::string& key) const;
  // Records a refusal of the order's sale; returns the seconds it now waits.
  int NoteRefusal(const std::string& key);
  // Ends the delay of every order not among `pending`.
  void KeepOnly(const std::set<std::string>& pending);
  bool Empty() const { return delays_.empty(); }

 private:
  struct Delay {
    int seconds = 0;
    rtl::TDateTime until = 0;
  };
  std::map<std::string, Delay> delays_;
};

}  // namespace Cli_Qam00417
