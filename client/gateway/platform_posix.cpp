#include <thread>

#include "gateway/platform.h"

namespace velmora {

uint64_t TickCountMs() {
  using namespace std::chrono;
  return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool PumpPendingMessages() { return true; }

void WaitPumpingMessages(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace velmora
