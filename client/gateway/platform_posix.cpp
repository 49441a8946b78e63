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
  using Clock = std::chrono::steady_clock;
  constexpr std::chrono::milliseconds kRecheck{5};
  const auto start = Clock::now();
  for (;;) {
    if (done()) return WaitEnd::kDone;
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    if (waited >= timeout) return WaitEnd::kTimedOut;
    std::this_thread::sleep_for(std::min(kRecheck, timeout - waited));
  }
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

}  // namespace velmora
