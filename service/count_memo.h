// Counts of whole tables (the clients' poll asks two of them every second), remembered while the
// database has not changed. Whether it changed is the database's own change counter, read at
// most once per `recheck`: a count served from memory is never older than that, whoever wrote
// the file (the gateway, or the admin command line from another process).
#pragma once
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace velmora::service {

class CountMemo {
 public:
  using Clock = std::chrono::steady_clock;

  explicit CountMemo(Clock::duration recheck) : recheck_(recheck) {}

  // The remembered count of `table`, if the change counter was read less than `recheck` before
  // `now` and the count was taken at its value; nothing otherwise (the caller then checks).
  std::optional<int64_t> Fresh(const std::string& table, Clock::time_point now) const;
  // The change counter reads `version` at `now`: a value other than the last forgets every count.
  // The count of `table` then, if still remembered.
  std::optional<int64_t> Checked(const std::string& table, int64_t version, Clock::time_point now);
  // Remembers `count` of `table`, taken when the counter read `version`; ignored when the counter
  // has moved on since.
  void Remember(const std::string& table, int64_t count, int64_t version);
  // A write of the gateway's own: nothing remembered holds any longer.
  void Forget();

 private:
  const Clock::duration recheck_;
  mutable std::mutex mutex_;
  std::unordered_map<std::string, int64_t> counts_;
  std::optional<int64_t> version_;
  std::optional<Clock::time_point> checked_;
};

}  // namespace velmora::service
