#include "gateway/off_thread_link.h"

#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "gateway/platform.h"

namespace velmora {
namespace {
// The worker wakes the waiting thread as each answer is in; this is only the rare look without.
constexpr std::chrono::milliseconds kAnswerRecheck{500};
}  // namespace

// The worker thread and its queue. Tasks run in the order given; the destructor lets the task
// under way finish and drops none that the link's callers still wait for (they cannot exist:
// a caller waits inside Run, which the link outlives).
struct OffThreadLink::Worker {
  std::mutex mutex;
  IdleSignal idle;  // between tasks the thread keeps answering its messages
  std::deque<std::function<void()>> tasks;
  bool stopping = false;
  std::thread thread;

  explicit Worker(const ThreadScope& scope)
      : thread([this, scope] {
          const std::shared_ptr<void> held = scope ? scope() : nullptr;
          Serve();
        }) {}
  ~Worker() {
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    idle.Wake();
    thread.join();
  }
  void Post(std::function<void()> task) {
    {
      std::lock_guard lock(mutex);
      tasks.push_back(std::move(task));
    }
    idle.Wake();
  }
  void Serve() {
    for (;;) {
      idle.Wait([this] {
        std::lock_guard lock(mutex);
        return stopping || !tasks.empty();
      });
      std::function<void()> task;
      {
        std::lock_guard lock(mutex);
        if (tasks.empty()) return;  // stopping, and nothing left
        task = std::move(tasks.front());
        tasks.pop_front();
      }
      task();
    }
  }
};

OffThreadLink::OffThreadLink(GatewayLink& inner, Wait wait, ThreadScope scope)
    : inner_(inner), wait_(std::move(wait)), scope_(std::move(scope)) {}

OffThreadLink::~OffThreadLink() = default;

// Each request holds its own copy of the statement: a caller that gave up waiting is gone.
std::string OffThreadLink::Query(const std::string& sql) {
  return Run([this, sql] { return inner_.Query(sql); });
}

std::string OffThreadLink::Execute(const std::string& sql) {
  return Run([this, sql] { return inner_.Execute(sql); });
}

std::string OffThreadLink::Check(const std::string& sql) {
  return Run([this, sql] { return inner_.Check(sql); });
}

std::string OffThreadLink::Run(std::function<std::string()> request) {
  // The answer and the flag outlive this frame if need be: the task holds them too.
  struct Exchange {
    std::string answer;
    std::atomic<bool> done{false};
  };
  auto exchange = std::make_shared<Exchange>();
  auto send = [exchange, request = std::move(request), answered = &answered_] {
    // Failures are values on this road: anything thrown becomes "no answer".
    try {
      exchange->answer = request();
    } catch (...) {
      exchange->answer.clear();
    }
    exchange->done.store(true, std::memory_order_release);
    answered->Wake();
  };
  if (!worker_) {
    try {
      worker_ = std::make_unique<Worker>(scope_);
    } catch (const std::system_error&) {
      // No thread to be had: a wait on this thread is better than a lost request.
      send();
      return exchange->answer;
    }
  }
  worker_->Post(std::move(send));
  const bool answered =
      wait_ ? wait_(exchange->done)
            : WaitPumpingQuietly([&] { return exchange->done.load(std::memory_order_acquire); }, kWaitForever,
                                 kAnswerRecheck, &answered_) == WaitEnd::kDone;
  // Given up: the worker may still be writing the answer, which the task's share keeps alive.
  return answered ? exchange->answer : std::string();
}

}  // namespace velmora
