// A fixed set of threads running posted work in order of arrival: the gateway's statements run
// here, off the HTTP front's event loop, so a slow statement never stalls the connections.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace velmora::service {

class WorkPool {
 public:
  // Starts `threads` threads (at least one).
  explicit WorkPool(size_t threads);
  // Join()s.
  ~WorkPool();
  WorkPool(const WorkPool&) = delete;
  WorkPool& operator=(const WorkPool&) = delete;

  // Queues `work`; after Join() has begun it is dropped.
  void Post(std::function<void()> work);
  // Runs what is queued to its end, then stops the threads. Idempotent.
  void Join();

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
  bool joining_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace velmora::service
