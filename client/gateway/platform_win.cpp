#include <windows.h>

#include "gateway/platform.h"

namespace velmora {

uint64_t TickCountMs() { return GetTickCount64(); }

bool PumpPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit for the thread's own message loop.
      PostQuitMessage(int(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

void WaitPumpingMessages(std::chrono::milliseconds duration) {
  const uint64_t deadline = GetTickCount64() + uint64_t(duration.count());
  for (;;) {
    const uint64_t now = GetTickCount64();
    if (now >= deadline) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, DWORD(deadline - now), QS_ALLINPUT);
    if (!PumpPendingMessages()) return;
  }
}

}  // namespace velmora
