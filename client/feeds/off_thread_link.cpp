#include "feeds/off_thread_link.h"

#include <chrono>
#include <system_error>
#include <thread>
#include <utility>

#include "gateway/platform.h"

namespace velmora {

void WaitPumping(const std::atomic<bool>& done) {
  using namespace std::chrono_literals;
  bool pumping = true;
  while (!done.load(std::memory_order_acquire)) {
    if (pumping) pumping = PumpPendingMessages();
    std::this_thread::sleep_for(5ms);
  }
}

OffThreadLink::OffThreadLink(GatewayLink& inner, Wait wait) : inner_(inner), wait_(std::move(wait)) {}

std::string OffThreadLink::Query(const std::string& sql) {
  return Run([this, &sql] { return inner_.Query(sql); });
}

std::string OffThreadLink::Execute(const std::string& sql) {
  return Run([this, &sql] { return inner_.Execute(sql); });
}

std::string OffThreadLink::Check(const std::string& sql) {
  return Run([this, &sql] { return inner_.Check(sql); });
}

std::string OffThreadLink::Run(std::function<std::string()> request) {
  std::string answer;
  std::atomic<bool> done{false};
  const auto send = [&] {
    // Failures are values on this road: anything thrown becomes "no answer".
    try {
      answer = request();
    } catch (...) {
      answer.clear();
    }
    done.store(true, std::memory_order_release);
  };
  std::thread worker;
  try {
    worker = std::thread(send);
  } catch (const std::system_error&) {
    // No thread to be had: a wait on this thread is better than a lost request.
    send();
    return answer;
  }
  // The worker uses this frame's answer and flag: it is joined whatever the wait does.
  struct Joiner {
    std::thread& thread;
    ~Joiner() { thread.join(); }
  } joiner{worker};
  if (wait_) {
    wait_(done);
  } else {
    WaitPumping(done);
  }
  return answer;
}

}  // namespace velmora
