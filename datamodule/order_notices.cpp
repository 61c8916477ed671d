#include "datamodule/order_notices.h"

#include <iterator>

namespace Cli_Qam00417 {

bool OrderNotices::Note(const std::string& key, const std::string& text) {
  const auto [at, inserted] = notes_.emplace(key, text);
  if (inserted) return true;
  if (at->second == text) return false;
  at->second = text;
  return true;
}

void OrderNotices::KeepOnly(const std::set<std::string>& keys) {
  for (auto it = notes_.begin(); it != notes_.end();) {
    it = keys.count(it->first) != 0 ? std::next(it) : notes_.erase(it);
  }
}

}  // namespace Cli_Qam00417
