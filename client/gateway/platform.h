// The little the gateway road needs from the operating system, with a Win32 and a POSIX side.
#pragma once
#include <chrono>
#include <cstdint>

namespace velmora {

// Milliseconds of a monotonic 64-bit counter (it never wraps in practice).
uint64_t TickCountMs();

// Lets the window system process the messages waiting for this thread (nothing outside Windows).
// False when the thread was asked to quit: the quit is left queued for its own message loop.
bool PumpPendingMessages();

// Waits, keeping this thread's windows responsive meanwhile.
void WaitPumpingMessages(std::chrono::milliseconds duration);

}  // namespace velmora
