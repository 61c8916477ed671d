#pragma once
// What the worker last said about each order it leaves pending, so that a reason that does not
// change is acted on once rather than on every pass: a line logged once, a refused sale recorded
// once. Lives in memory only, for the life of the data module; a restarted worker says it again.
//
// Part of the data module's run state. Not thread-safe: used on the worker thread only.

#include <map>
#include <set>
#include <string>

namespace Cli_Qam00417 {

class OrderNotices {
 public:
  // True when `text` is new for the order `key` (RetryDelays::Key): nothing noted yet, or a
  // different text. The text is noted either way.
  bool Note(const std::string& key, const std::string& text);
  // Forgets every order not among `keys`: an order that comes back is noted afresh.
  void KeepOnly(const std::set<std::string>& keys);
  bool Empty() const { return notes_.empty(); }

 private:
  std::map<std::string, std::string> notes_;
};

}  // namespace Cli_Qam00417
