#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "gateway/platform.h"

namespace velmora {

uint64_t TickCountMs() {
  using namespace std::chrono;
  return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

WaitEnd WaitPumping(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return WaitPumpingQuietly(done, timeout, std::chrono::milliseconds(5));
}

struct IdleSignal::State {
  std::mutex mutex;
  std::condition_variable woken;
  bool pending = false;
};

IdleSignal::IdleSignal() : state_(std::make_unique<State>()) {}

IdleSignal::~IdleSignal() = default;

void IdleSignal::Wake() {
  {
    std::lock_guard lock(state_->mutex);
    state_->pending = true;
  }
  state_->woken.notify_one();
}

void IdleSignal::Wait(const std::function<bool()>& ready) {
  while (!ready()) {
    std::unique_lock lock(state_->mutex);
    state_->woken.wait(lock, [this] { return state_->pending; });
    state_->pending = false;
  }
}

WaitEnd WaitPumpingQuietly(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                           std::chrono::milliseconds recheck, IdleSignal* wake) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  recheck = std::max(recheck, std::chrono::milliseconds(1));
  for (;;) {
    if (done()) return WaitEnd::kDone;
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    if (waited >= timeout) return WaitEnd::kTimedOut;
    const auto nap = std::min(recheck, timeout - waited);
    if (wake) {
      std::unique_lock lock(wake->state_->mutex);
      wake->state_->woken.wait_for(lock, nap, [wake] { return wake->state_->pending; });
      wake->state_->pending = false;
    } else {
      std::this_thread::sleep_for(nap);
    }
  }
}

}  // namespace velmora
