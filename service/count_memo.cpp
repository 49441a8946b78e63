#include "count_memo.h"

namespace velmora::service {

std::optional<int64_t> CountMemo::Fresh(const std::string& table, Clock::time_point now) const {
  std::lock_guard lock(mutex_);
  if (!checked_ || now - *checked_ >= recheck_) return std::nullopt;
  const auto found = counts_.find(table);
  if (found == counts_.end()) return std::nullopt;
  return found->second;
}

std::optional<int64_t> CountMemo::Checked(const std::string& table, int64_t version, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (version_ != version) counts_.clear();
  version_ = version;
  checked_ = now;
  const auto found = counts_.find(table);
  if (found == counts_.end()) return std::nullopt;
  return found->second;
}

void CountMemo::Remember(const std::string& table, int64_t count, int64_t version) {
  std::lock_guard lock(mutex_);
  if (version_ == version) counts_[table] = count;
}

void CountMemo::Forget() {
  std::lock_guard lock(mutex_);
  counts_.clear();
  version_.reset();
  checked_.reset();
}

}  // namespace velmora::service
