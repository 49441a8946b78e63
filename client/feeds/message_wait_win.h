// Waiting on this thread for work done elsewhere while its windows stay alive: the thread sleeps
// in the window system until a message arrives or a short while has passed, handles what came,
// and looks at the flag again. Nothing runs while nothing happens.
#pragma once
#include <atomic>

namespace velmora::win {

// Returns once `done` is set. A quit request seen meanwhile is put back for the thread's own
// loop, and the wait goes on (without handling further messages) until `done`.
void WaitWithMessages(const std::atomic<bool>& done);

}  // namespace velmora::win
