// The gateway's own counts of client requests over the last minute, for the operators' console:
// 60 one-second buckets, written by any thread without a lock. A bucket is reset by the first
// request of its new second; a race there may lose a count, never corrupts one.
#pragma once
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>

namespace velmora::service {

class RequestCounters {
 public:
  // One request; `refused` when it was refused or failed (anything but "ok").
  void Count(bool refused, int64_t now_second = NowSecond()) {
    Bucket& b = buckets_[size_t(now_second % kSeconds)];
    if (b.second.load(std::memory_order_relaxed) != now_second) {
      b.requests.store(0, std::memory_order_relaxed);
      b.refused.store(0, std::memory_order_relaxed);
      b.second.store(now_second, std::memory_order_relaxed);
    }
    b.requests.fetch_add(1, std::memory_order_relaxed);
    if (refused) b.refused.fetch_add(1, std::memory_order_relaxed);
  }

  struct Minute {
    uint64_t requests = 0, refused = 0;
  };
  // The requests of the 60 seconds before `now_second` (the current, partial second left out).
  Minute LastMinute(int64_t now_second = NowSecond()) const {
    Minute m;
    for (const Bucket& b : buckets_) {
      const int64_t s = b.second.load(std::memory_order_relaxed);
      if (s < now_second && s >= now_second - kSeconds) {
        m.requests += b.requests.load(std::memory_order_relaxed);
        m.refused += b.refused.load(std::memory_order_relaxed);
      }
    }
    return m;
  }

  static int64_t NowSecond() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

 private:
  static constexpr int64_t kSeconds = 60;
  struct Bucket {
    std::atomic<int64_t> second{-1};
    std::atomic<uint64_t> requests{0}, refused{0};
  };
  std::array<Bucket, kSeconds> buckets_;
};

}  // namespace velmora::service
