#include "datamodule/retry_delays.h"

#include <algorithm>

namespace Cli_Qam00417 {

namespace {

constexpr double kSecondsPerDay = 86400.0;

}  // namespace

// The unit separator cannot occur in a code, so two different orders never share a key.
std::string RetryDelays::Key(const std::string& CDFILIAL, const std::string& NRVENDAREST,
                             const std::string& NRCOMANDA) {
  return CDFILIAL + '\x1f' + NRVENDAREST + '\x1f' + NRCOMANDA;
}

bool RetryDelays::Waiting(const std::string& key) const {
  const auto found = delays_.find(key);
  return found != delays_.end() && rtl::Now() < found->second.until;
}

int RetryDelays::NoteRefusal(const std::string& key) {
  Delay& delay = delays_[key];
  delay.seconds =
      delay.seconds == 0 ? kFirstDelaySeconds : std::min(delay.seconds * 2, kLongestDelaySeconds);
  delay.until = rtl::Now() + delay.seconds / kSecondsPerDay;
  return delay.seconds;
}

void RetryDelays::KeepOnly(const std::set<std::string>& pending) {
  for (auto it = delays_.begin(); it != delays_.end();) {
    it = pending.count(it->first) != 0 ? std::next(it) : delays_.erase(it);
  }
}

}  // namespace Cli_Qam00417
