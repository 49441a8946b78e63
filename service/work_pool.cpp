#include "work_pool.h"

#include <algorithm>

namespace velmora::service {

WorkPool::WorkPool(size_t threads) {
  for (size_t i = 0; i < std::max<size_t>(threads, 1); ++i) threads_.emplace_back([this] { Work(); });
}

WorkPool::~WorkPool() { Join(); }

void WorkPool::Post(std::function<void()> work) {
  {
    std::lock_guard lock(mutex_);
    if (joining_) return;
    queue_.push_back(std::move(work));
  }
  wake_.notify_one();
}

void WorkPool::Join() {
  {
    std::lock_guard lock(mutex_);
    joining_ = true;
  }
  wake_.notify_all();
  for (std::thread& thread : threads_) {
    if (thread.joinable()) thread.join();
  }
}

void WorkPool::Work() {
  for (;;) {
    std::function<void()> work;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return joining_ || !queue_.empty(); });
      if (queue_.empty()) return;  // joining, and nothing left
      work = std::move(queue_.front());
      queue_.pop_front();
    }
    work();
  }
}

}  // namespace velmora::service
