#include "feeds/message_wait_win.h"

#include <windows.h>

namespace velmora::win {
namespace {
// How often the flag is looked at when no message wakes the thread. The worker cannot wake us
// itself, so this bounds how late an answer is noticed.
constexpr DWORD kRecheckMs = 5;
}  // namespace

void WaitWithMessages(const std::atomic<bool>& done) {
  bool quit = false;
  WPARAM quit_code = 0;
  while (!done.load(std::memory_order_acquire)) {
    if (quit) {
      // Messages stay queued now; MsgWait would return at once for them, so just sleep.
      Sleep(kRecheckMs);
      continue;
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, kRecheckMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quit_code = msg.wParam;
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (quit) PostQuitMessage(int(quit_code));
}

}  // namespace velmora::win
